#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The folders that must never go, nor any folder holding one of them, each as the shell
// names it and as it resolves on disk (a redirected Documents folder, a short name).
class CProtectedFolders
{
public:
    CProtectedFolders();

    // strPath: a plain full path.
    BOOL Covers(const std::wstring& strPath) const;

private:
    static void Add(std::vector<std::wstring>& folders, const std::wstring& strFolder);

    std::vector<std::wstring> m_folders;
    std::vector<std::wstring> m_profileRoots;
};
