#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "MessageBoxRecorder.h"
#include "UiDriver.h"
#include "ProductKey.h"
#include "app/UninstallDlg.h"
#include "framework/WinApp.h"
#include "uninstall/PropPage1.h"

namespace
{
const UINT WM_PROBE = WM_APP + 1;

// The main dialog, run modally; onShown runs once the dialog is up, after which the dialog
// ends with IDCANCEL unless onShown set keepOpen.
class ProbeDlg : public CUninstallDlg
{
public:
    std::function<void(ProbeDlg&)> onShown;
    bool keepOpen = false;

    BOOL OnInitDialog() override
    {
        BOOL bResult = CUninstallDlg::OnInitDialog();
        PostMessageA(m_hWnd, WM_PROBE, 0, 0);
        return bResult;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_PROBE)
            return CUninstallDlg::WindowProc(message, wParam, lParam);
        if (onShown)
            onShown(*this);
        if (!keepOpen)
            EndDialog(IDCANCEL);
        return 0;
    }
};

// Activation can still be pending after the dialog shows, and activating the main dialog
// moves the focus itself: let it happen first.
bool FocusOn(HWND hWnd)
{
    SetForegroundWindow(GetAncestor(hWnd, GA_ROOT));
    for (int attempt = 0; attempt < 50 && GetFocus() != hWnd; ++attempt)
    {
        SetFocus(hWnd);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return GetFocus() == hWnd;
}

RECT ClientRectOf(HWND hWnd, HWND hParent)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    MapWindowPoints(NULL, hParent, reinterpret_cast<LPPOINT>(&rc), 2);
    return rc;
}

class UninstallDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RemoveProductKey();
        m_app.m_pMainWnd = &m_dlg;
    }

    INT_PTR Run(std::function<void(ProbeDlg&)> onShown)
    {
        m_dlg.onShown = onShown;
        return m_dlg.DoModal();
    }

    CWinApp m_app;
    ProbeDlg m_dlg;
    MessageBoxRecorder m_boxes;
};
}

TEST_F(UninstallDlgTest, Layout_SheetAndExitFillClientWithFivePixelMargins)
{
    Run([](ProbeDlg& dlg) {
        RECT c;
        GetClientRect(dlg.GetSafeHwnd(), &c);
        RECT b = ClientRectOf(dlg.m_btnExit.GetSafeHwnd(), dlg.GetSafeHwnd());
        int bh = b.bottom - b.top;
        EXPECT_EQ(c.right - 5, b.right);
        EXPECT_EQ(c.bottom - 5, b.bottom);
        EXPECT_GT(b.right - b.left, 0);

        RECT s = ClientRectOf(dlg.m_sheet.GetSafeHwnd(), dlg.GetSafeHwnd());
        EXPECT_EQ(5, s.left);
        EXPECT_EQ(5, s.top);
        EXPECT_EQ(c.right - 5, s.right);
        EXPECT_EQ(c.bottom - bh - 10, s.bottom);
        EXPECT_EQ(5, b.top - s.bottom);

        HWND hTab = reinterpret_cast<HWND>(SendMessageA(dlg.m_sheet.GetSafeHwnd(), PSM_GETTABCONTROL, 0, 0));
        ASSERT_NE(nullptr, hTab);
        RECT t = ClientRectOf(hTab, dlg.m_sheet.GetSafeHwnd());
        EXPECT_EQ(0, t.left);
        EXPECT_EQ(0, t.top);
        EXPECT_EQ(s.right - s.left, t.right);
        EXPECT_EQ(s.bottom - s.top, t.bottom);
    });
}

TEST_F(UninstallDlgTest, Sheet_IsChildWithOneSingleLineTabAndNoButtons)
{
    Run([](ProbeDlg& dlg) {
        HWND hSheet = dlg.m_sheet.GetSafeHwnd();
        LONG style = GetWindowLongA(hSheet, GWL_STYLE);
        EXPECT_TRUE(style & WS_CHILD);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_FALSE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CAPTION);
        EXPECT_EQ(dlg.GetSafeHwnd(), GetParent(hSheet));

        for (int id : { IDOK, IDCANCEL, 0x3021, IDHELP })
        {
            HWND hButton = GetDlgItem(hSheet, id);
            if (hButton == NULL)
                continue;
            EXPECT_FALSE(IsWindowVisible(hButton)) << id;
            EXPECT_FALSE(IsWindowEnabled(hButton)) << id;
        }

        HWND hTab = reinterpret_cast<HWND>(SendMessageA(hSheet, PSM_GETTABCONTROL, 0, 0));
        EXPECT_FALSE(GetWindowLongA(hTab, GWL_STYLE) & TCS_MULTILINE);
        ASSERT_EQ(1, SendMessageA(hTab, TCM_GETITEMCOUNT, 0, 0));
        char label[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        item.cchTextMax = sizeof(label);
        SendMessageA(hTab, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ("ｱﾝｲﾝｽﾄｰﾙ", label);

        EXPECT_EQ(static_cast<CPropertyPage*>(dlg.m_pPage.get()), dlg.m_sheet.GetActivePage());
        EXPECT_TRUE(IsWindowVisible(dlg.m_pPage->GetSafeHwnd()));
    });
}

TEST_F(UninstallDlgTest, SystemMenu_EndsWithSeparatorAndAboutEntry)
{
    Run([](ProbeDlg& dlg) {
        HMENU hMenu = GetSystemMenu(dlg.GetSafeHwnd(), FALSE);
        int n = GetMenuItemCount(hMenu);
        ASSERT_GE(n, 2);
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), GetMenuItemID(hMenu, n - 1));
        char text[128] = "";
        GetMenuStringA(hMenu, n - 1, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ("ﾊﾞｰｼﾞｮﾝ情報(ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ) (&A)...", text);
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(hMenu, n - 2, TRUE, &mii);
        EXPECT_TRUE(mii.fType & MFT_SEPARATOR);
    });
}

TEST_F(UninstallDlgTest, Icons_BigSmallAndDragIconAreTheProgramIcon)
{
    Run([](ProbeDlg& dlg) {
        ASSERT_NE(nullptr, dlg.m_hIcon);
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), SendMessageA(dlg.GetSafeHwnd(), WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), SendMessageA(dlg.GetSafeHwnd(), WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), SendMessageA(dlg.GetSafeHwnd(), WM_QUERYDRAGICON, 0, 0));
    });
}

TEST_F(UninstallDlgTest, FirstShow_CentredInWorkArea)
{
    Run([](ProbeDlg& dlg) {
        RECT work;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        RECT rc;
        GetWindowRect(dlg.GetSafeHwnd(), &rc);
        EXPECT_NEAR((work.left + work.right) / 2, (rc.left + rc.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
    });
}

TEST_F(UninstallDlgTest, Reactivation_FocusesTabControl)
{
    Run([](ProbeDlg& dlg) {
        HWND hTab = dlg.m_sheet.GetTabControl()->GetSafeHwnd();
        SetFocus(dlg.m_btnExit.GetSafeHwnd());
        SendMessageA(dlg.GetSafeHwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(dlg.GetSafeHwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(hTab, GetFocus());
    });
}

TEST_F(UninstallDlgTest, ExitButton_EndsWithCancelAndUnbindsEveryWindow)
{
    INT_PTR result = Run([](ProbeDlg& dlg) {
        PostMessageA(dlg.m_btnExit.GetSafeHwnd(), BM_CLICK, 0, 0);
        dlg.keepOpen = true;
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(nullptr, m_dlg.GetSafeHwnd());
    EXPECT_EQ(nullptr, m_dlg.m_btnExit.GetSafeHwnd());
    EXPECT_EQ(nullptr, m_dlg.m_sheet.GetSafeHwnd());
    ASSERT_NE(nullptr, m_dlg.m_pPage);
    EXPECT_EQ(nullptr, m_dlg.m_pPage->GetSafeHwnd());
    EXPECT_EQ(nullptr, m_dlg.m_pPage->m_btnExecute.GetSafeHwnd());
}

namespace
{
struct AboutSeen
{
    HWND hWnd;
    HWND hOwner;
    BOOL bOwnerEnabled;
    RECT rc;
};
AboutSeen g_about;

BOOL CALLBACK FindAbout(HWND hWnd, LPARAM)
{
    if (CUiDriver::Text(hWnd) == "ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ")
    {
        g_about.hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the About box's modal loop: notes what it sees and closes the box.
void CALLBACK CloseAbout(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), &FindAbout, 0);
    if (g_about.hWnd == NULL)
        return;
    KillTimer(NULL, idEvent);
    g_about.hOwner = GetWindow(g_about.hWnd, GW_OWNER);
    g_about.bOwnerEnabled = IsWindowEnabled(g_about.hOwner);
    GetWindowRect(g_about.hWnd, &g_about.rc);
    PostMessageA(g_about.hWnd, WM_COMMAND, IDOK, 0);
}
}

TEST_F(UninstallDlgTest, AboutCommands_OpenModalBoxCentredOverMain)
{
    Run([](ProbeDlg& dlg) {
        for (UINT id : { 0x0010u, 0x0013u, 0x001Fu })
        {
            SCOPED_TRACE(id);
            g_about = AboutSeen();
            SetTimer(NULL, 0, 20, &CloseAbout);
            SendMessageA(dlg.GetSafeHwnd(), WM_SYSCOMMAND, id, 0);
            ASSERT_NE(nullptr, g_about.hWnd);
            EXPECT_FALSE(IsWindow(g_about.hWnd));
            EXPECT_EQ(dlg.GetSafeHwnd(), g_about.hOwner);
            EXPECT_FALSE(g_about.bOwnerEnabled);
            RECT rcMain;
            GetWindowRect(dlg.GetSafeHwnd(), &rcMain);
            EXPECT_NEAR((rcMain.left + rcMain.right) / 2, (g_about.rc.left + g_about.rc.right) / 2, 1);
            EXPECT_NEAR((rcMain.top + rcMain.bottom) / 2, (g_about.rc.top + g_about.rc.bottom) / 2, 1);
        }
        EXPECT_TRUE(IsWindowEnabled(dlg.GetSafeHwnd()));
    });
}

namespace
{
// Stands in for the help viewer: Wine's WinHelpA hands the request to the window of class
// MS_WINHELP as WM_COPYDATA.
struct HelpRequest
{
    WORD size, command;
    LONG data, reserved;
    WORD ofsFilename, ofsData;
};
std::vector<std::pair<UINT, std::string>> g_helpRequests;
BOOL g_bHelpAnswer = TRUE;

LRESULT CALLBACK HelpViewerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    const COPYDATASTRUCT* pcds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const HelpRequest* p = static_cast<const HelpRequest*>(pcds->lpData);
    g_helpRequests.push_back(
        { static_cast<UINT>(p->data), p->ofsFilename ? reinterpret_cast<const char*>(p) + p->ofsFilename : "" });
    EXPECT_EQ(static_cast<WORD>(HELP_CONTEXT), p->command);
    return g_bHelpAnswer;
}

// Registers the stand-in viewer for the length of a test.
class HelpViewer
{
public:
    HelpViewer()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &HelpViewerProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "MS_WINHELP";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA("MS_WINHELP", "", 0, 0, 0, 10, 10, NULL, NULL, wc.hInstance, NULL);
        g_helpRequests.clear();
        g_bHelpAnswer = TRUE;
    }
    ~HelpViewer()
    {
        DestroyWindow(m_hWnd);
        UnregisterClassA("MS_WINHELP", GetModuleHandleA(NULL));
    }
    HWND m_hWnd;
};
}

TEST_F(UninstallDlgTest, Help_ContextOfFirstWindowWithTemplateFromFocus)
{
    HelpViewer viewer;
    ASSERT_NE(nullptr, viewer.m_hWnd);
    m_app.m_pszHelpFilePath = "C:\\OrvalisTest\\OrvalisUninstaller.HLP";

    Run([this](ProbeDlg& dlg) {
        ASSERT_TRUE(FocusOn(dlg.m_pPage->m_editMessage.GetSafeHwnd()));
        m_app.OnHelp();
        ASSERT_TRUE(FocusOn(dlg.m_sheet.GetTabControl()->GetSafeHwnd()));
        m_app.OnHelp();
        ASSERT_TRUE(FocusOn(dlg.m_btnExit.GetSafeHwnd()));
        SendMessageA(dlg.GetSafeHwnd(), WM_COMMAND, ID_HELP, 0);  // routed to the application
        g_bHelpAnswer = FALSE;
        m_app.OnHelp();
    });

    ASSERT_EQ(4u, g_helpRequests.size());
    EXPECT_EQ(0x20000u + IDD_PROPPAGE1, g_helpRequests[0].first);
    EXPECT_EQ(0x20000u + IDD_PROPPAGE1, g_helpRequests[1].first);
    EXPECT_EQ(0x20000u + IDD_UNINSTALL_DIALOG, g_helpRequests[2].first);
    EXPECT_EQ("C:\\OrvalisTest\\OrvalisUninstaller.HLP", g_helpRequests[0].second);
    ASSERT_EQ(1u, MessageBoxRecorder::boxes.size());
    EXPECT_EQ("ﾍﾙﾌﾟの起動に失敗しました。", MessageBoxRecorder::boxes[0].text);
    EXPECT_EQ("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄﾗｰ", MessageBoxRecorder::boxes[0].caption);
}

namespace
{
// Runs the main dialog under the framework's entry, which watches the dialog loops for F1.
class HelpKeyApp : public CWinApp
{
public:
    std::function<void(ProbeDlg&)> onShown;

    BOOL InitInstance() override
    {
        ProbeDlg dlg;
        dlg.onShown = onShown;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = NULL;
        return FALSE;
    }
};

BOOL TypeF1(HWND hWnd, int nModifier, int nFilterCode = MSGF_DIALOGBOX)
{
    BYTE keys[256] = {};
    if (nModifier != 0)
        keys[nModifier] = 0x80;
    SetKeyboardState(keys);
    MSG msg = { hWnd, WM_KEYDOWN, VK_F1, 0, 0, {} };
    BOOL bEaten = CallMsgFilterA(&msg, nFilterCode);
    BYTE none[256] = {};
    SetKeyboardState(none);
    return bEaten;
}
}

TEST(HelpKeyTest, OnlyUnmodifiedF1InDialogLoopAsksForHelp)
{
    RemoveProductKey();
    MessageBoxRecorder boxes;
    HelpViewer viewer;
    HelpKeyApp app;
    app.onShown = [](ProbeDlg& dlg) {
        HWND hEdit = dlg.m_pPage->m_editMessage.GetSafeHwnd();
        EXPECT_TRUE(TypeF1(hEdit, 0));
        EXPECT_FALSE(TypeF1(hEdit, VK_SHIFT));
        EXPECT_FALSE(TypeF1(hEdit, VK_CONTROL));
        EXPECT_FALSE(TypeF1(hEdit, VK_MENU));
        EXPECT_FALSE(TypeF1(hEdit, 0, MSGF_MESSAGEBOX));
        EXPECT_TRUE(TypeF1(dlg.m_btnExit.GetSafeHwnd(), 0));
    };
    EXPECT_EQ(0, AfxWinMain(GetModuleHandleA(NULL)));

    ASSERT_EQ(2u, g_helpRequests.size());
    EXPECT_EQ(0x20000u + IDD_PROPPAGE1, g_helpRequests[0].first);
    EXPECT_EQ(0x20000u + IDD_UNINSTALL_DIALOG, g_helpRequests[1].first);
    // Named after the running program: the test executable here.
    const std::string& file = g_helpRequests[0].second;
    ASSERT_GT(file.size(), 4u);
    EXPECT_EQ(".HLP", file.substr(file.size() - 4));
    EXPECT_NE(std::string::npos, file.find("app_window_tests.HLP"));
    EXPECT_TRUE(boxes.boxes.empty());
}
