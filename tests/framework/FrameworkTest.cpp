#include <gtest/gtest.h>

#include <string.h>

#include <new>

#include "MessageBoxRecorder.h"
#include "UiDriver.h"
#include "framework/Dialog.h"
#include "framework/DlgTemplate.h"
#include "framework/Exception.h"
#include "framework/PropertyPage.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace
{
int g_nLiveExceptions;

class CTestException : public CException
{
public:
    CTestException() { ++g_nLiveExceptions; }
    ~CTestException() override { --g_nLiveExceptions; }
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT) const override
    {
        lstrcpynA(lpszError, "boom", nMaxError);
        return TRUE;
    }
};

// The About template with a handler for OK that throws, the way the folder removal's
// file exception leaves a button handler.
class CThrowingDlg : public CDialog
{
public:
    // What OnThrow throws: a framework exception (0), a container's bad_alloc (1), anything else (2).
    explicit CThrowingDlg(int nKind = 0) : CDialog(IDD_ABOUTBOX), m_nKind(nKind) {}

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    }

protected:
    afx_msg void OnThrow()
    {
        if (m_nKind == 1)
            throw std::bad_alloc();
        if (m_nKind == 2)
            throw 42;
        throw new CTestException;
    }

    int m_nKind;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingDlg, CDialog)
    ON_BN_CLICKED(IDOK, OnThrow)
END_MESSAGE_MAP()

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

const BYTE* OwnTemplate(UINT id, size_t& cb)
{
    HRSRC hRes = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    cb = SizeofResource(NULL, hRes);
    return static_cast<const BYTE*>(LockResource(LoadResource(NULL, hRes)));
}
}

TEST(DispatchTest, HandlerException_ReportedWithStopIconDeletedAndDialogGoesOn)
{
    MessageBoxRecorder boxes;
    CThrowingDlg dlg;
    // The derived row for IDOK wins over the base's OnOK, so only Cancel ends the dialog.
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    ASSERT_EQ(1u, MessageBoxRecorder::boxes.size());
    EXPECT_EQ("boom", MessageBoxRecorder::boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), MessageBoxRecorder::boxes[0].type & MB_ICONMASK);
    EXPECT_EQ(0, g_nLiveExceptions);
}

TEST(DispatchTest, HandlerStdException_ReportedWithGenericTextAndDialogGoesOn)
{
    CString strGeneric;
    ASSERT_TRUE(strGeneric.LoadString(AFX_IDS_UNNAMED_FILE));
    for (int nKind : { 1, 2 })
    {
        MessageBoxRecorder boxes;
        CThrowingDlg dlg(nKind);
        EXPECT_EQ(IDCANCEL, dlg.DoModal()) << nKind;
        ASSERT_EQ(1u, MessageBoxRecorder::boxes.size()) << nKind;
        EXPECT_NE(std::string::npos, MessageBoxRecorder::boxes[0].text.find(static_cast<LPCSTR>(strGeneric))) << nKind;
        EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), MessageBoxRecorder::boxes[0].type & MB_ICONMASK) << nKind;
    }
}

TEST(WinAppTest, MainWindow_ForgottenWhenItsDialogIsDestroyedOrGone)
{
    MessageBoxRecorder boxes;
    CWinApp app;
    CThrowingDlg dlg;
    app.m_pMainWnd = &dlg;
    dlg.DoModal();
    EXPECT_EQ(nullptr, app.m_pMainWnd) << "window destroyed";
    {
        CDialog never(IDD_ABOUTBOX);
        app.m_pMainWnd = &never;
    }
    EXPECT_EQ(nullptr, app.m_pMainWnd) << "object gone";
}

TEST(WaitCursorTest, NestedWaitLastsUntilTheOuterEnds)
{
    EXPECT_FALSE(CWaitCursor::IsWaiting());
    {
        CWaitCursor outer;
        {
            CWaitCursor inner;
            EXPECT_TRUE(CWaitCursor::IsWaiting());
        }
        EXPECT_TRUE(CWaitCursor::IsWaiting());
    }
    EXPECT_FALSE(CWaitCursor::IsWaiting());
}

TEST(HelpFileTest, ExtensionOfModulePathBecomesHlp)
{
    EXPECT_STREQ("C:\\OrvalisTest\\OrvalisUninstaller.HLP", AfxHelpFilePath("C:\\OrvalisTest\\OrvalisUninstaller.exe"));
    EXPECT_STREQ("C:\\a.b\\Prog.HLP", AfxHelpFilePath("C:\\a.b\\Prog"));
    EXPECT_STREQ("C:\\ソフト\\表示.HLP", AfxHelpFilePath("C:\\ソフト\\表示.EXE"));
}

TEST(DlgTemplateTest, ReadHeader_ClassicAndExtendedForms)
{
    const struct
    {
        UINT id;
        BOOL bEx;
        DWORD dwStyle;
        DWORD dwExStyle;
    } cases[] = {
        { IDD_PROPPAGE1, FALSE, DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION, 0 },
        { IDD_UNINSTALL_DIALOG, TRUE, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
          WS_EX_APPWINDOW },
    };
    for (const auto& c : cases)
    {
        size_t cb = 0;
        const BYTE* p = OwnTemplate(c.id, cb);
        ASSERT_NE(nullptr, p) << c.id;
        DlgTemplate::Header header;
        ASSERT_TRUE(DlgTemplate::ReadHeader(p, cb, header)) << c.id;
        EXPECT_EQ(c.bEx, header.bEx) << c.id;
        DWORD dwStyle, dwExStyle;
        memcpy(&dwStyle, p + header.cbStyle, sizeof(dwStyle));
        memcpy(&dwExStyle, p + header.cbExStyle, sizeof(dwExStyle));
        EXPECT_EQ(c.dwStyle, dwStyle & c.dwStyle) << c.id;
        EXPECT_EQ(c.dwExStyle, dwExStyle & c.dwExStyle) << c.id;
        DlgTemplate::FontInfo font;
        ASSERT_TRUE(DlgTemplate::GetFont(p, cb, font)) << c.id;
        EXPECT_EQ(9, font.wPointSize) << c.id;
        EXPECT_EQ(DEFAULT_CHARSET, font.bCharSet) << c.id;
        EXPECT_FALSE(DlgTemplate::ReadHeader(p, c.bEx ? 25 : 17, header)) << c.id << ": cut header";
    }
}

TEST(DlgTemplateTest, ReplaceFont_KeepsHeaderAndControls)
{
    size_t cb = 0;
    const BYTE* p = OwnTemplate(IDD_PROPPAGE1, cb);
    ASSERT_NE(nullptr, p);
    DlgTemplate::FontInfo before;
    ASSERT_TRUE(DlgTemplate::GetFont(p, cb, before));
    EXPECT_EQ(9, before.wPointSize);

    std::vector<DWORD> copy = DlgTemplate::ReplaceFont(p, cb, 8, L"MS Shell Dlg");
    const BYTE* q = reinterpret_cast<const BYTE*>(copy.data());
    DlgTemplate::FontInfo after;
    ASSERT_TRUE(DlgTemplate::GetFont(q, copy.size() * 4, after));
    EXPECT_EQ(8, after.wPointSize);
    EXPECT_STREQ(L"MS Shell Dlg", after.pszFace);
    EXPECT_EQ(0, memcmp(p, q, before.cbFontStart));
    ASSERT_GE(copy.size() * 4, after.cbItemsStart + (cb - before.cbItemsStart));
    EXPECT_EQ(0, memcmp(p + before.cbItemsStart, q + after.cbItemsStart, cb - before.cbItemsStart));
    EXPECT_EQ(0u, after.cbItemsStart % 4);

    // The controls still come out of the copy.
    HWND hHost = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 400, 400, NULL, NULL, NULL, NULL);
    HWND hWnd = CreateDialogIndirectParamA(GetModuleHandleA(NULL), reinterpret_cast<LPCDLGTEMPLATEA>(q), hHost,
                                           &NoDialogProc, 0);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ("ｱﾙﾊﾞﾑ削除", CUiDriver::Text(GetDlgItem(hWnd, IDC_CHECK_DELETE_ALBUM)));
    EXPECT_NE(nullptr, GetDlgItem(hWnd, IDC_EDIT_MESSAGE));
    DestroyWindow(hHost);
}

TEST(DlgTemplateTest, Page_UsesPlatformSheetFontWhenItDiffers)
{
    HMODULE hComctl = LoadLibraryA("comctl32.dll");
    HRSRC hRes = FindResourceA(hComctl, MAKEINTRESOURCEA(1006), MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, hRes);
    const BYTE* pSheet = static_cast<const BYTE*>(LockResource(LoadResource(hComctl, hRes)));
    DlgTemplate::FontInfo sheetFont;
    ASSERT_TRUE(DlgTemplate::GetFont(pSheet, SizeofResource(hComctl, hRes), sheetFont));

    CPropertyPage page(IDD_PROPPAGE1);
    PROPSHEETPAGEA psp;
    page.PreparePage(psp);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&page), psp.lParam);
    const bool differs = sheetFont.wPointSize != 9 || lstrcmpiW(sheetFont.pszFace, L"ＭＳ Ｐゴシック") != 0;
    ASSERT_EQ(differs, (psp.dwFlags & PSP_DLGINDIRECT) != 0);
    if (differs)
    {
        DlgTemplate::FontInfo used;
        ASSERT_TRUE(DlgTemplate::GetFont(reinterpret_cast<const BYTE*>(psp.pResource), 4096, used));
        EXPECT_EQ(sheetFont.wPointSize, used.wPointSize);
        EXPECT_STREQ(sheetFont.pszFace, used.pszFace);
    }
    RecordProperty("sheetFontSize", sheetFont.wPointSize);
    FreeLibrary(hComctl);
}
