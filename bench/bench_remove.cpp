// Times one removal of a folder tree inside the Wine prefix: bench_remove METHOD PATH...
// METHOD is RemoveFolder, remove_all or rd. Prints the seconds taken and whether the trees are
// gone; the exit code is 0 only when they are. scripts/bench.sh drives it, and so does the
// race test (tests/uninstall/race.sh).
#include <windows.h>

#include <stdio.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "framework/Wide.h"
#include "uninstall/TreeRemover.h"

namespace
{
double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// std::filesystem::remove_all cannot delete read-only files on Windows: it fails at the
// first one. Clearing them first is part of what that peer costs.
bool RemoveAll(const std::wstring& strPath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::recursive_directory_iterator it(strPath, error), end; !error && it != end; it.increment(error))
    {
        std::error_code ignored;
        if (it->is_regular_file(ignored)
            && (GetFileAttributesW(it->path().c_str()) & FILE_ATTRIBUTE_READONLY) != 0)
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(strPath, error);
    return !error;
}

// cmd's rd reports success whatever it did; the caller checks the tree.
bool RemoveDirectoryCommand(const std::wstring& strPath)
{
    std::wstring strCommand = L"cmd.exe /c rd /s /q \"" + strPath + L"\"";
    STARTUPINFOW si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(NULL, &strCommand[0], NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = 1;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return dwExit == 0;
}
}

// Several paths are removed one after the other in one process: the race test (race.sh)
// removes a few small trees per Wine start.
int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
    {
        fprintf(stderr, "usage: bench_remove RemoveFolder|remove_all|rd PATH...\n");
        return 2;
    }
    const std::wstring strMethod = argv[1];
    if (strMethod != L"RemoveFolder" && strMethod != L"remove_all" && strMethod != L"rd")
        return 2;

    double start = Now();
    bool bReported = true;
    for (int i = 2; i < argc; ++i)
    {
        const std::wstring strPath = argv[i];
        if (strMethod == L"RemoveFolder")
            bReported &= CTreeRemover::RemoveFolder(Wide::ToAnsi(strPath.c_str()), NULL) != FALSE;
        else if (strMethod == L"remove_all")
            bReported &= RemoveAll(strPath);
        else
            bReported &= RemoveDirectoryCommand(strPath);
    }
    double seconds = Now() - start;

    bool bGone = true;
    for (int i = 2; i < argc; ++i)
        bGone &= GetFileAttributesW(argv[i]) == INVALID_FILE_ATTRIBUTES;
    printf("%.3f %s %s\n", seconds, bReported ? "reported-success" : "reported-failure", bGone ? "gone" : "left");
    return bGone ? 0 : 1;
}
