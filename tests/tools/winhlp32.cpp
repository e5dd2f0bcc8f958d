// Stand-in for the help viewer. Wine's WinHelpA looks for a window of class MS_WINHELP,
// starts "winhlp32.exe -x" when there is none (the program's own folder is searched first,
// so this one is found before the system's), and hands it the request by WM_COPYDATA.
// Every start and request is appended to winhlp32.log. With winhlp32.refuse present it
// exits at once, as a viewer that cannot start.
#include <windows.h>

#include <cstdio>
#include <string>

namespace
{
const char kLog[] = "C:\\OrvalisTest\\winhlp32.log";
const char kRefuse[] = "C:\\OrvalisTest\\winhlp32.refuse";
const ULONG_PTR kWineHelpMagic = 0xA1DE505;
const UINT kLifetimeMs = 60000;

// The request record as Wine's user32 sends it.
#pragma pack(push, 2)
struct SWineHelp
{
    WORD size;
    WORD command;
    LONG data;
    LONG reserved;
    WORD ofsFilename;
    WORD ofsData;
};
#pragma pack(pop)

void Log(const std::string& line)
{
    HANDLE log = CreateFileA(kLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(log);
}

LRESULT CALLBACK ViewerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_COPYDATA:
    {
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (cds->dwData != kWineHelpMagic || cds->cbData < sizeof(SWineHelp))
            return FALSE;
        const SWineHelp* request = static_cast<const SWineHelp*>(cds->lpData);
        std::string file;
        if (request->ofsFilename && request->ofsFilename < cds->cbData)
        {
            const char* name = static_cast<const char*>(cds->lpData) + request->ofsFilename;
            file.assign(name, strnlen(name, cds->cbData - request->ofsFilename));
        }
        char head[64];
        snprintf(head, sizeof(head), "request\t%u\t0x%lx\t", request->command,
                 static_cast<unsigned long>(request->data));
        Log(head + file);
        if (request->command == HELP_QUIT)
            DestroyWindow(wnd);
        return TRUE;
    }
    case WM_TIMER:
        DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Log(std::string("start\t") + GetCommandLineA());
    if (GetFileAttributesA(kRefuse) != INVALID_FILE_ATTRIBUTES)
        return 1;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MS_WINHELP";
    if (!RegisterClassA(&wc))
        return 1;
    HWND wnd = CreateWindowA("MS_WINHELP", "stand-in help viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                             nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return 1;
    SetTimer(wnd, 1, kLifetimeMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
