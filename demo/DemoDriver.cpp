#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "UiDriver.h"
#include "res/resource.h"

// Works the running uninstaller from outside for scripts/demo.sh and scripts/screenshots.sh,
// one step per call, through the end-to-end tests' driver, and prints what the scripts need,
// code-page-932 texts included, one "name value" line each:
//   main                   waits for the main window: window rectangle, album check, 実行 state
//   execute                presses 実行 and waits for the box that follows
//   about                  opens the About box from the system menu
//   answer ID [MS]         presses button ID of the open box, waits until it is gone and,
//                          given MS, up to MS milliseconds for the next box
//   exit                   presses 終了 and waits until the program has ended
// A box is printed as its rectangle ("box L T R B"), caption and text.
namespace
{
const int kMsgBoxTextId = 0xFFFF;

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

// Message boxes and the About box are both #32770 windows of the program's process; the main
// window, a dialog too, is disabled while one of them is open.
HWND OpenBox(const CUiDriver& driver)
{
    return driver.FindTopLevel([&](HWND wnd) {
        return wnd != driver.MainWindow() && CUiDriver::ClassName(wnd) == "#32770" && IsWindowEnabled(wnd);
    });
}

// A message box's text is its static 0xFFFF; the About box's statics all carry that id, the
// icon first, and its first text is the program's name and version.
HWND FirstText(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
    {
        if ((GetDlgCtrlID(child) & 0xFFFF) == kMsgBoxTextId && CUiDriver::ClassName(child) == "Static"
            && (CUiDriver::Style(child) & SS_TYPEMASK) != SS_ICON)
            return child;
    }
    return NULL;
}

bool WaitForBox(const CUiDriver& driver, DWORD timeoutMs)
{
    HWND box = NULL;
    if (!CUiDriver::WaitUntil([&] { return (box = OpenBox(driver)) != NULL; }, timeoutMs))
        return Fail("no box appeared");
    PrintRect("box", box);
    printf("caption %s\n", CUiDriver::Text(box).c_str());
    HWND text = FirstText(box);
    printf("text %s\n", text != NULL ? CUiDriver::Text(text).c_str() : "");
    return true;
}

// The driver refuses what a user could not press: a hidden or disabled button, or one behind
// a modal box.
bool Click(const CUiDriver& driver, HWND button)
{
    return driver.Click(button) || Fail("the button cannot be pressed");
}

// A control of the page that is shown.
HWND PageControl(const CUiDriver& driver, int id)
{
    HWND control = driver.Control(id);
    return control != NULL && IsWindowVisible(control) ? control : NULL;
}

bool Run(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: OrvalisDemoDriver main|execute|about|answer ID [MS]|exit");
    const std::string verb = argv[1];
    CUiDriver driver;
    if (!driver.Attach())
        return Fail("the main window did not appear");
    HWND hMain = driver.MainWindow();

    if (verb == "main")
    {
        HWND execute = PageControl(driver, IDC_BUTTON_EXECUTE);
        HWND album = PageControl(driver, IDC_CHECK_DELETE_ALBUM);
        if (execute == NULL || album == NULL)
            return Fail("the page's controls were not found");
        PrintRect("window", hMain);
        printf("album %d\n", CUiDriver::CheckState(album));
        printf("execute %d\n", IsWindowEnabled(execute) ? 1 : 0);
        return true;
    }
    if (verb == "execute")
        return Click(driver, PageControl(driver, IDC_BUTTON_EXECUTE)) && WaitForBox(driver, CUiDriver::kTimeoutMs);
    if (verb == "about")
    {
        if (OpenBox(driver) != NULL)
            return Fail("a box is open already");
        return driver.SysCommand(IDM_ABOUTBOX) && WaitForBox(driver, CUiDriver::kTimeoutMs);
    }
    if (verb == "answer" && argc >= 3)
    {
        HWND box = OpenBox(driver);
        if (box == NULL)
            return Fail("no box is open");
        if (!driver.Answer(box, atoi(argv[2])))
            return Fail("the box did not take the answer");
        return argc < 4 || WaitForBox(driver, static_cast<DWORD>(atoi(argv[3])));
    }
    if (verb == "exit")
    {
        if (!Click(driver, GetDlgItem(hMain, IDCANCEL)))
            return false;
        return driver.WaitForExit() || Fail("the program did not end");
    }
    return Fail("unknown step");
}
}

int main(int argc, char** argv)
{
    return Run(argc, argv) ? 0 : 1;
}
