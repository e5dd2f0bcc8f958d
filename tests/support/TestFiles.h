#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A folder tree as sorted records "<relative path>\t<attributes hex>\t<size>", for "nothing
// else changed" comparisons. Times are left out: reading a tree changes access times.
// Links (reparse points) are listed, not followed. Empty when the folder does not exist.
std::vector<std::string> ListTree(const std::string& folder);

bool WriteTextFile(const std::string& path, const std::string& text);
bool ReadTextFile(const std::string& path, std::string& text);
bool FileExists(const std::string& path);
// The path up to its last backslash, stepping over double-byte characters.
std::string ParentOf(const std::string& path);
// Creates a folder and any missing parents.
bool MakeFolders(const std::string& path);
// Removes a folder tree made by a test. Fails on links (reparse points), which it leaves alone.
bool RemoveTestTree(const std::string& path);

// One start of the stand-in companion program, as it logged it.
struct SKickerRun
{
    unsigned long long time;   // FILETIME as a number (100 ns since 1601)
    std::string folder;        // its current directory
    std::string commandLine;
};

extern const char* const kKickerLog;
std::vector<SKickerRun> ReadKickerLog();
bool ClearKickerLog();
