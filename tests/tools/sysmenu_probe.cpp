// Hook DLL for reading the program's system menu: Wine lets no process read another one's
// menus, so the test hooks the program's thread with this DLL and asks, by a registered
// message, for the menu of a window to be written to sysmenu.txt from inside the program.
#include <windows.h>

#include <cstdio>
#include <string>

namespace
{
HMODULE g_hModule;
const char kOutput[] = "C:\\OrvalisTest\\sysmenu.txt";

void Dump(HWND wnd)
{
    std::string text;
    HMENU menu = GetSystemMenu(wnd, FALSE);
    int count = menu ? GetMenuItemCount(menu) : -1;
    char line[64];
    snprintf(line, sizeof(line), "count\t%d\r\n", count);
    text += line;
    for (int i = 0; i < count; ++i)
    {
        char name[512] = "";
        GetMenuStringA(menu, i, name, sizeof(name), MF_BYPOSITION);
        snprintf(line, sizeof(line), "%d\t0x%x\t0x%x\t", i, GetMenuItemID(menu, i),
                 GetMenuState(menu, i, MF_BYPOSITION));
        text += line;
        text += name;
        text += "\r\n";
    }
    HANDLE file = CreateFileA(kOutput, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT request = RegisterWindowMessageA("OrvalisTest.DumpSystemMenu");
    if (code == HC_ACTION)
    {
        const CWPSTRUCT* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (cwp->message == request)
            Dump(cwp->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}

extern "C" __declspec(dllexport) HHOOK InstallSystemMenuProbe(DWORD threadId)
{
    return SetWindowsHookExA(WH_CALLWNDPROC, ProbeCallWndProc, g_hModule, threadId);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_hModule = instance;
    return TRUE;
}
