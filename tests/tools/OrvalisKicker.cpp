// Stand-in for the product's companion program: logs how it was started, then exits.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    char folder[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof(folder), folder);
    char time[32];
    snprintf(time, sizeof(time), "%llu",
             (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    std::string line = std::string(time) + "\t" + folder + "\t" + GetCommandLineA() + "\r\n";

    // Appends are atomic per write, so overlapping starts do not mix their lines.
    HANDLE log = CreateFileA("C:\\OrvalisTest\\kicker.log", FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    return ok ? 0 : 1;
}
