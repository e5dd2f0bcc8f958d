#pragma once

#include <windows.h>

#include <string>

// Rules for the wide full paths the removal works on: comparison, joining and splitting,
// the checks that a path names what it seems to, and the one form they are compared in.
namespace PathRules
{
    // Equal without regard to case, as the file system compares names.
    BOOL SameText(const std::wstring& a, const std::wstring& b);
    // b lies below a.
    BOOL IsBelow(const std::wstring& a, const std::wstring& b);
    // The entry strName of a folder lies on strKeep, the path kept below that folder
    // ("Data\Album"); strBelow is the rest of it below the entry, empty for the kept entry itself.
    BOOL IsOnKeptPath(const std::wstring& strKeep, const std::wstring& strName, std::wstring& strBelow);
    // "\\?\C:\x" becomes "C:\x" and "\\?\UNC\server\share\x" becomes "\\server\share\x".
    std::wstring PlainPath(const std::wstring& strPath);
    std::wstring JoinPath(const std::wstring& strFolder, const std::wstring& strName);
    std::wstring ParentPath(const std::wstring& strPath);
    // The number of names below the root of a plain full path, or -1; see the definition.
    int NamesBelowRoot(const std::wstring& strPath);
    // The long form of an existing path; empty when it cannot be had.
    std::wstring LongPath(const std::wstring& strPath);
    // The one form every removal works on, made once per path: full and plain, "\"
    // separators, "." and ".." resolved, and the long names of the part that exists, so that
    // two spellings of one folder compare equal. Empty for what is not a full path.
    std::wstring ComparablePath(std::wstring strPath);
}
