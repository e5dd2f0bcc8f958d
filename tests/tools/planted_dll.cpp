// A DLL an attacker drops beside the program's copy under the names of system DLLs: if any
// process loads it, it notes where it was loaded from and into which program.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char line[2 * MAX_PATH + 4] = "";
    DWORD n = GetModuleFileNameA(instance, line, MAX_PATH);
    line[n++] = '\t';
    n += GetModuleFileNameA(nullptr, line + n, MAX_PATH);
    lstrcpyA(line + n, "\r\n");
    HANDLE log = CreateFileA("C:\\OrvalisTest\\planted.log", FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (log != INVALID_HANDLE_VALUE)
    {
        WriteFile(log, line, n + 2, &written, nullptr);
        CloseHandle(log);
    }
    return TRUE;
}
