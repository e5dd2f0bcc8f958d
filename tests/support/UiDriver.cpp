#include "UiDriver.h"

#include <commctrl.h>

const char* const CUiDriver::kProgram = "C:\\OrvalisTest\\OrvalisUninstaller.exe";
const char* const CUiDriver::kStageFolder = "C:\\OrvalisTest";
const char* const CUiDriver::kMainCaption = "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ";

namespace
{
// Long enough for a busy machine, short enough that a hung program fails the test quickly.
const UINT kMessageTimeoutMs = 3000;

// Message-box statics: the text, and the icon as Wine's and Windows' templates number it.
const int kMsgBoxTextId = 0xFFFF;
const int kMsgBoxIconIdWine = 1088;
const int kMsgBoxIconIdWindows = 20;

int ControlId(HWND wnd)
{
    // Templates store -1 as 0xFFFF (16-bit ids) or 0xFFFFFFFF (extended): compare 16 bits.
    return GetDlgCtrlID(wnd) & 0xFFFF;
}

bool HasChildWithId(HWND parent, int id)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (ControlId(child) == (id & 0xFFFF))
            return true;
    }
    return false;
}

std::string ProcessImage(HANDLE process)
{
    char path[2 * MAX_PATH] = "";
    DWORD size = sizeof(path);
    return process && QueryFullProcessImageNameA(process, 0, path, &size) ? std::string(path, size) : "";
}

bool UserCanReach(HWND wnd)
{
    if (!wnd || !IsWindow(wnd) || !IsWindowVisible(wnd) || !IsWindowEnabled(wnd))
        return false;
    // A control in a disabled top-level window (one behind a modal box) takes no input.
    HWND root = GetAncestor(wnd, GA_ROOT);
    return root && IsWindowEnabled(root);
}
}

double NowMs()
{
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

CUiDriver::CUiDriver() : m_pi(), m_hMain(nullptr), m_startMs(0), m_bOwned(false), m_hStarter(nullptr)
{
}

CUiDriver::~CUiDriver()
{
    if (m_bOwned)
        Kill();
    if (m_hStarter)
    {
        WaitForSingleObject(m_hStarter, kTimeoutMs);
        CloseHandle(m_hStarter);
    }
    if (m_pi.hThread)
        CloseHandle(m_pi.hThread);
    if (m_pi.hProcess)
        CloseHandle(m_pi.hProcess);
}

bool CUiDriver::Launch(const std::string& arguments, const char* program, const char* workingFolder)
{
    if (IsRunning())
        return false;
    // The program of an earlier start has ended: this start is a fresh one.
    if (m_pi.hProcess)
    {
        if (m_pi.hThread)
            CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
        m_pi = PROCESS_INFORMATION();
    }
    std::string commandLine = std::string("\"") + program + "\"" + (arguments.empty() ? "" : " ") + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder, &si, &m_pi))
    {
        m_pi = PROCESS_INFORMATION();
        return false;
    }
    m_bOwned = true;
    m_hMain = nullptr;
    return true;
}

bool CUiDriver::WaitForExitWatching(DWORD timeoutMs, DWORD& exitCode, bool& sawWindow)
{
    sawWindow = false;
    const bool ended = WaitUntil([&] {
        // A copy it hands over to counts as the program too.
        sawWindow = sawWindow || FindTopLevel([](HWND) { return true; }) != nullptr || FindCopyWindow() != nullptr;
        return !IsRunning();
    }, timeoutMs);
    return ended && WaitForExit(0, &exitCode);
}

bool CUiDriver::Start(const char* program, const char* workingFolder, bool handOver, const std::string& arguments)
{
    double start = NowMs();
    if (!Launch(arguments, program, workingFolder))
        return false;
    if (!handOver)
        m_hMain = WaitForTopLevel(kMainCaption);
    else
        WaitUntil([&] {
            // Where the hand-over is abandoned, the started process shows the window itself.
            // The original waits for its copy, without a window of its own.
            m_hMain = FindTopLevel([](HWND wnd) { return Text(wnd) == kMainCaption; });
            if (m_hMain == nullptr)
                m_hMain = FindCopyWindow();
            return m_hMain != nullptr;
        });
    m_startMs = NowMs() - start;
    if (handOver && m_hMain)
    {
        CloseHandle(m_pi.hThread);
        if (m_hStarter)
            CloseHandle(m_hStarter);
        m_hStarter = m_pi.hProcess;
        m_pi.hThread = nullptr;
        m_pi.dwThreadId = GetWindowThreadProcessId(m_hMain, &m_pi.dwProcessId);
        m_pi.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, m_pi.dwProcessId);
    }
    return m_hMain && m_pi.hProcess;
}

std::string CUiDriver::ImagePath() const
{
    return ProcessImage(m_pi.hProcess);
}

bool CUiDriver::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_pi.hProcess)
        return false;
    if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_pi.hProcess, exitCode);
    return true;
}

bool CUiDriver::WaitForStarter(DWORD timeoutMs, DWORD* exitCode)
{
    return m_hStarter && WaitForSingleObject(m_hStarter, timeoutMs) == WAIT_OBJECT_0
        && GetExitCodeProcess(m_hStarter, exitCode);
}

bool CUiDriver::IsRunning() const
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

void CUiDriver::Kill()
{
    if (IsRunning())
    {
        TerminateProcess(m_pi.hProcess, 0xDEAD);
        WaitForSingleObject(m_pi.hProcess, kTimeoutMs);
    }
}

namespace
{
struct STopLevelSearch { DWORD pid; const std::function<bool(HWND)>* match; HWND found; bool anyProcess; };

BOOL CALLBACK MatchTopLevel(HWND wnd, LPARAM lParam)
{
    STopLevelSearch* s = reinterpret_cast<STopLevelSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if ((pid == s->pid || s->anyProcess) && IsWindowVisible(wnd) && (*s->match)(wnd))
        s->found = wnd;
    return s->found == nullptr;
}

struct SChildSearch { const char* className; std::vector<HWND> found; };

BOOL CALLBACK CollectChild(HWND child, LPARAM lParam)
{
    SChildSearch* s = reinterpret_cast<SChildSearch*>(lParam);
    if (!s->className || CUiDriver::ClassName(child) == s->className)
        s->found.push_back(child);
    return TRUE;
}
}

HWND CUiDriver::FindTopLevel(const std::function<bool(HWND)>& match) const
{
    STopLevelSearch search = { m_pi.dwProcessId, &match, nullptr, false };
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CUiDriver::FindCopyWindow() const
{
    char temp[MAX_PATH] = "";
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    const std::function<bool(HWND)> match = [&](HWND wnd) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        const std::string image = ProcessImage(process);
        if (process)
            CloseHandle(process);
        return n > 0 && Text(wnd) == kMainCaption && lstrcmpiA(image.substr(0, n).c_str(), temp) == 0;
    };
    STopLevelSearch search = { 0, &match, nullptr, true };
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool CUiDriver::Attach(DWORD timeoutMs)
{
    if (m_pi.hProcess)
        return false;
    const std::function<bool(HWND)> match = [](HWND wnd) { return Text(wnd) == kMainCaption; };
    STopLevelSearch search = { 0, &match, nullptr, true };
    WaitUntil([&] {
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    if (!search.found)
        return false;
    m_hMain = search.found;
    m_pi.dwThreadId = GetWindowThreadProcessId(m_hMain, &m_pi.dwProcessId);
    m_pi.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, m_pi.dwProcessId);
    return m_pi.hProcess != nullptr;
}

HWND CUiDriver::WaitForTopLevel(const std::string& caption, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindTopLevel([&](HWND wnd) { return Text(wnd) == caption; });
        return found != nullptr || !IsRunning();
    }, timeoutMs);
    return found;
}

std::vector<HWND> CUiDriver::Descendants(HWND parent, const char* className) const
{
    SChildSearch search = { className, {} };
    if (!parent)
        parent = m_hMain;
    // A null parent would enumerate every window of the desktop.
    if (parent)
        EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CUiDriver::Control(int id, HWND parent) const
{
    HWND hidden = nullptr;
    for (HWND child : Descendants(parent))
    {
        if (ControlId(child) != (id & 0xFFFF))
            continue;
        if (IsWindowVisible(child))
            return child;
        if (!hidden)
            hidden = child;
    }
    return hidden;
}

HWND CUiDriver::FocusedWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(m_pi.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

HWND CUiDriver::ActiveWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(m_pi.dwThreadId, &info) ? info.hwndActive : nullptr;
}

HWND CUiDriver::CurrentMessageBox() const
{
    return FindTopLevel([](HWND wnd) {
        return ClassName(wnd) == "#32770" && HasChildWithId(wnd, kMsgBoxTextId)
            && (HasChildWithId(wnd, kMsgBoxIconIdWine) || HasChildWithId(wnd, kMsgBoxIconIdWindows));
    });
}

HWND CUiDriver::WaitForMessageBox(DWORD timeoutMs) const
{
    HWND box = nullptr;
    WaitUntil([&] {
        box = CurrentMessageBox();
        return box != nullptr || !IsRunning();
    }, timeoutMs);
    return box;
}

std::string CUiDriver::MessageBoxText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (ControlId(child) == kMsgBoxTextId)
            return Text(child);
    }
    return std::string();
}

bool CUiDriver::Answer(HWND box, int buttonId, DWORD timeoutMs) const
{
    HWND button = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (ControlId(child) == buttonId && IsWindowVisible(child))
            button = child;
    }
    if (!Click(button))
        return false;
    // A box is hidden before it is destroyed: wait for it to be gone, so that the next step
    // finds the program as the box left it.
    return WaitUntil([&] { return !IsWindow(box); }, timeoutMs) || !IsWindowVisible(box);
}

bool CUiDriver::Click(HWND button) const
{
    if (!UserCanReach(button))
        return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool CUiDriver::Click(int id) const
{
    return Click(Control(id));
}

bool CUiDriver::PressKey(UINT vk) const
{
    HWND focus = FocusedWindow();
    if (!UserCanReach(focus))
        return false;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageA(focus, WM_KEYDOWN, vk, scan | 1)
        && PostMessageA(focus, WM_KEYUP, vk, scan | 1 | 0xC0000000);
}

bool CUiDriver::TypeKey(UINT vk) const
{
    HWND active = ActiveWindow();
    if (!UserCanReach(active))
        return false;
    // Keyboard input goes to the foreground thread. Activating the program here would move
    // its focus (the main dialog refocuses on activation), so callers activate it first.
    if (GetForegroundWindow() != active && !Activate())
        return false;
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = static_cast<WORD>(vk);
    input[0].ki.wScan = input[1].ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

bool CUiDriver::Activate() const
{
    HWND active = ActiveWindow();
    if (!active)
        active = m_hMain;
    SetForegroundWindow(active);
    // The system records the switch before the program has handled its activation, which
    // moves the program's focus; wait for the program's side too.
    return WaitUntil([&] { return GetForegroundWindow() == active && ActiveWindow() == active; });
}

bool CUiDriver::SysCommand(WPARAM command) const
{
    if (!UserCanReach(m_hMain))
        return false;
    return PostMessageA(m_hMain, WM_SYSCOMMAND, command, 0) != FALSE;
}

bool CUiDriver::Focus(HWND control) const
{
    if (!UserCanReach(control))
        return false;
    // Focus belongs to the program's input state; join it for the call.
    DWORD self = GetCurrentThreadId();
    if (!AttachThreadInput(self, m_pi.dwThreadId, TRUE))
        return false;
    SetFocus(control);
    AttachThreadInput(self, m_pi.dwThreadId, FALSE);
    return WaitUntil([&] { return FocusedWindow() == control; });
}

std::string CUiDriver::Text(HWND wnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        return std::string();
    // The length may count characters of a wide window; two bytes each is always enough.
    std::string text(2 * length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        return std::string();
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::string CUiDriver::ClassName(HWND wnd)
{
    char name[256] = "";
    GetClassNameA(wnd, name, sizeof(name));
    return name;
}

LONG_PTR CUiDriver::Style(HWND wnd)
{
    return GetWindowLongPtrA(wnd, GWL_STYLE);
}

LONG_PTR CUiDriver::ExStyle(HWND wnd)
{
    return GetWindowLongPtrA(wnd, GWL_EXSTYLE);
}

int CUiDriver::CheckState(HWND button)
{
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &state))
        return -1;
    return static_cast<int>(state);
}

RECT CUiDriver::RectIn(HWND wnd, HWND reference)
{
    RECT rc = {};
    GetWindowRect(wnd, &rc);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT CUiDriver::ClientRect(HWND wnd)
{
    RECT rc = {};
    GetClientRect(wnd, &rc);
    return rc;
}

std::vector<std::string> CUiDriver::TabTexts(HWND tab) const
{
    std::vector<std::string> texts;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(tab, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count))
        return texts;
    const SIZE_T textSize = 512;
    char* remote = static_cast<char*>(VirtualAllocEx(m_pi.hProcess, nullptr, sizeof(TCITEMA) + textSize,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote)
        return texts;
    for (DWORD_PTR i = 0; i < count; ++i)
    {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = remote + sizeof(TCITEMA);
        item.cchTextMax = static_cast<int>(textSize);
        char text[textSize] = "";
        DWORD_PTR ok = 0;
        if (!WriteProcessMemory(m_pi.hProcess, remote, &item, sizeof(item), nullptr)
            || !WriteProcessMemory(m_pi.hProcess, item.pszText, text, textSize, nullptr)
            || !SendMessageTimeoutA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(remote),
                                    SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ok)
            || !ok
            || !ReadProcessMemory(m_pi.hProcess, item.pszText, text, textSize - 1, nullptr))
        {
            texts.push_back("<unreadable>");
            continue;
        }
        texts.push_back(text);
    }
    VirtualFreeEx(m_pi.hProcess, remote, 0, MEM_RELEASE);
    return texts;
}

bool CUiDriver::WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const double deadline = NowMs() + timeoutMs;
    for (;;)
    {
        if (condition())
            return true;
        if (NowMs() > deadline)
            return condition();
        // Keep this thread's own windows (stand-in viewers, helper windows) answering.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}
