// Writes the Windows version this process is told, "<platform> <major> <minor>", to
// winver_probe.txt, so that tests can check a per-program version setting takes effect.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return 1;
#pragma GCC diagnostic pop
    char text[64];
    int length = snprintf(text, sizeof(text), "%lu %lu %lu", info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
    HANDLE file = CreateFileA("C:\\OrvalisTest\\winver_probe.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
