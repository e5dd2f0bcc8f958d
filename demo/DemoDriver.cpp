#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "res/resource.h"

// Works the running uninstaller from outside for scripts/demo.sh and scripts/screenshots.sh,
// one step per call, as a user would: by caption, resource id and posted click. Each step
// waits by polling with a time limit and prints what the scripts need, code-page-932 texts
// included, one "name value" line each:
//   main                   waits for the main window: window rectangle, album check, 実行 state
//   execute                presses 実行 and waits for the box that follows
//   about                  opens the About box from the system menu
//   answer ID [MS]         presses button ID of the open box, waits until it is gone and,
//                          given MS, up to MS milliseconds for the next box
//   exit                   presses 終了 and waits until the program has ended
// A box is printed as its rectangle ("box L T R B"), caption and text.
namespace
{
const char kMainCaption[] = "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ";
const DWORD kTimeoutMs = 10000;
const UINT kMessageTimeoutMs = 3000;
const int kMsgBoxTextId = 0xFFFF;

template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

std::string Text(HWND wnd)
{
    char sz[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof(sz), reinterpret_cast<LPARAM>(sz), SMTO_ABORTIFHUNG,
                        kMessageTimeoutMs, &result);
    return sz;
}

std::string ClassName(HWND wnd)
{
    char sz[64] = "";
    GetClassNameA(wnd, sz, sizeof(sz));
    return sz;
}

struct SSearch
{
    DWORD pid;      // 0: any process
    HWND exclude;
    bool bBox;      // a dialog box of the program rather than its main window
    HWND found;
};

BOOL CALLBACK Match(HWND wnd, LPARAM lParam)
{
    SSearch* s = reinterpret_cast<SSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (wnd == s->exclude || !IsWindowVisible(wnd) || (s->pid != 0 && pid != s->pid))
        return TRUE;
    if (s->bBox ? ClassName(wnd) == "#32770" && IsWindowEnabled(wnd) : Text(wnd) == kMainCaption)
        s->found = wnd;
    return s->found == NULL;
}

HWND MainWindow()
{
    SSearch search = { 0, NULL, false, NULL };
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Message boxes and the About box are both #32770 windows of the program's process; the main
// window, a dialog too, is disabled while one of them is open.
HWND OpenBox(HWND hMain)
{
    SSearch search = { 0, hMain, true, NULL };
    GetWindowThreadProcessId(hMain, &search.pid);
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Fail(const char* what)
{
    fprintf(stderr, "OrvalisDemoDriver: %s\n", what);
    return false;
}

void PrintRect(const char* name, HWND wnd)
{
    RECT rc;
    GetWindowRect(wnd, &rc);
    printf("%s %ld %ld %ld %ld\n", name, rc.left, rc.top, rc.right, rc.bottom);
}

HWND WaitForMain()
{
    HWND hMain = NULL;
    WaitUntil([&] { return (hMain = MainWindow()) != NULL; }, kTimeoutMs);
    return hMain;
}

// A message box's text is its static 0xFFFF; the About box's statics all carry that id, the
// icon first, and its first text is the program's name and version.
HWND FirstText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
    {
        if ((GetDlgCtrlID(child) & 0xFFFF) == kMsgBoxTextId && ClassName(child) == "Static"
            && (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            return child;
    }
    return NULL;
}

bool WaitForBox(HWND hMain, DWORD timeoutMs)
{
    HWND box = NULL;
    if (!WaitUntil([&] { return (box = OpenBox(hMain)) != NULL; }, timeoutMs))
        return Fail("no box appeared");
    PrintRect("box", box);
    printf("caption %s\n", Text(box).c_str());
    HWND text = FirstText(box);
    printf("text %s\n", text != NULL ? Text(text).c_str() : "");
    return true;
}

// Refuses what a user could not press: a hidden or disabled button, or one behind a modal box.
bool Click(HWND button)
{
    if (button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button)
        || !IsWindowEnabled(GetAncestor(button, GA_ROOT)))
        return Fail("the button cannot be pressed");
    return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

// The page is a child dialog of the sheet, itself a child of the main window.
HWND PageControl(HWND hMain, int id)
{
    for (HWND wnd = FindWindowExA(hMain, NULL, NULL, NULL); wnd != NULL; wnd = FindWindowExA(hMain, wnd, NULL, NULL))
    {
        for (HWND page = FindWindowExA(wnd, NULL, "#32770", NULL); page != NULL;
             page = FindWindowExA(wnd, page, "#32770", NULL))
        {
            HWND control = GetDlgItem(page, id);
            if (control != NULL && IsWindowVisible(control))
                return control;
        }
    }
    return NULL;
}

bool Run(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: OrvalisDemoDriver main|execute|about|answer ID [MS]|exit");
    const std::string verb = argv[1];
    HWND hMain = WaitForMain();
    if (hMain == NULL)
        return Fail("the main window did not appear");

    if (verb == "main")
    {
        HWND execute = PageControl(hMain, IDC_BUTTON_EXECUTE);
        HWND album = PageControl(hMain, IDC_CHECK_DELETE_ALBUM);
        if (execute == NULL || album == NULL)
            return Fail("the page's controls were not found");
        PrintRect("window", hMain);
        printf("album %d\n", static_cast<int>(SendMessageA(album, BM_GETCHECK, 0, 0)));
        printf("execute %d\n", IsWindowEnabled(execute) ? 1 : 0);
        return true;
    }
    if (verb == "execute")
        return Click(PageControl(hMain, IDC_BUTTON_EXECUTE)) && WaitForBox(hMain, kTimeoutMs);
    if (verb == "about")
    {
        if (OpenBox(hMain) != NULL)
            return Fail("a box is open already");
        return PostMessageA(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0) && WaitForBox(hMain, kTimeoutMs);
    }
    if (verb == "answer" && argc >= 3)
    {
        HWND box = OpenBox(hMain);
        if (box == NULL)
            return Fail("no box is open");
        if (!Click(GetDlgItem(box, atoi(argv[2]))))
            return false;
        if (!WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kTimeoutMs))
            return Fail("the box stayed open");
        return argc < 4 || WaitForBox(hMain, static_cast<DWORD>(atoi(argv[3])));
    }
    if (verb == "exit")
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hMain, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (process == NULL)
            return Fail("the program's process cannot be opened");
        bool bOk = Click(GetDlgItem(hMain, IDCANCEL));
        if (bOk && WaitForSingleObject(process, kTimeoutMs) != WAIT_OBJECT_0)
            bOk = Fail("the program did not end");
        CloseHandle(process);
        return bOk;
    }
    return Fail("unknown step");
}
}

int main(int argc, char** argv)
{
    return Run(argc, argv) ? 0 : 1;
}
