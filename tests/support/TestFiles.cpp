#include "TestFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

const char* const kKickerLog = "C:\\OrvalisTest\\kicker.log";

namespace
{
void List(const std::string& root, const std::string& relative, std::vector<std::string>& out)
{
    WIN32_FIND_DATAA fd;
    std::string pattern = root + (relative.empty() ? "" : "\\" + relative) + "\\*";
    HANDLE find = FindFirstFileA(pattern.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = relative.empty() ? name : relative + "\\" + name;
        bool folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        unsigned long long size = folder ? 0 : (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        char line[64];
        snprintf(line, sizeof(line), "\t%08lx\t%llu", static_cast<unsigned long>(fd.dwFileAttributes), size);
        out.push_back(path + line);
        if (folder && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            List(root, path, out);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}
}

std::vector<std::string> ListTree(const std::string& folder)
{
    std::vector<std::string> out;
    List(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

bool ReadTextFile(const std::string& path, std::string& text)
{
    // Writers may still hold the file; share everything.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ParentOf(const std::string& path)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i)
    {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            last = i;
    }
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

bool MakeFolders(const std::string& path)
{
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    const std::string parent = ParentOf(path);
    if (parent.size() < 3)
        return false;
    return MakeFolders(parent) && CreateDirectoryA(path.c_str(), nullptr);
}

bool RemoveTestTree(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) != FALSE;
    }
    // Wine removes a link's target rather than the link: a test that made one cleans it up
    // from the Linux side.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return false;
    {
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE)
        {
            do
            {
                std::string name = fd.cFileName;
                if (name != "." && name != "..")
                    RemoveTestTree(path + "\\" + name);
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

std::vector<SKickerRun> ReadKickerLog()
{
    std::vector<SKickerRun> runs;
    std::string text;
    if (!ReadTextFile(kKickerLog, text))
        return runs;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            break;  // a line still being written
        std::string line = text.substr(start, end - start);
        start = end + 2;
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        SKickerRun run;
        run.time = strtoull(line.substr(0, tab1).c_str(), nullptr, 10);
        run.folder = line.substr(tab1 + 1, tab2 - tab1 - 1);
        run.commandLine = line.substr(tab2 + 1);
        runs.push_back(run);
    }
    return runs;
}

bool ClearKickerLog()
{
    return DeleteFileA(kKickerLog) || GetLastError() == ERROR_FILE_NOT_FOUND;
}
