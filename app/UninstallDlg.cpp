#include "UninstallDlg.h"

#include <commctrl.h>

#include "AboutDlg.h"
#include "framework/ResourceModule.h"
#include "framework/String.h"
#include "uninstall/PropPage1.h"

namespace
{
const int kMargin = 5;
}

BEGIN_MESSAGE_MAP(CUninstallDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_ACTIVATE()
END_MESSAGE_MAP()

CUninstallDlg::CUninstallDlg(CWnd* pParent, BOOL bDeleteAlbum) : CDialog(IDD, pParent), m_bDeleteAlbum(bDeleteAlbum)
{
    m_hIcon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

// Defined here, where the page's type is complete.
CUninstallDlg::~CUninstallDlg()
{
}

void CUninstallDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDCANCEL, m_btnExit);
}

// Sheet and Exit button fill the client area with 5-pixel margins, whatever the
// dialog-unit size of the template.
BOOL CUninstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.IsEmpty())
    {
        HMENU hSysMenu = GetSystemMenu(FALSE);
        if (hSysMenu != NULL)
        {
            AppendMenuA(hSysMenu, MF_SEPARATOR, 0, NULL);
            AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_pPage.reset(new CPropPage1);
    m_pPage->m_bDeleteAlbum = m_bDeleteAlbum;
    m_sheet.AddPage(m_pPage.get());

    RECT rcClient;
    GetClientRect(&rcClient);
    RECT rcButton;
    m_btnExit.GetWindowRect(&rcButton);
    int bw = rcButton.right - rcButton.left;
    int bh = rcButton.bottom - rcButton.top;
    m_btnExit.MoveWindow(rcClient.right - bw - kMargin, rcClient.bottom - bh - kMargin, bw, bh, TRUE);

    m_sheet.Create(this, WS_CHILD | WS_VISIBLE, 0);

    CWnd* pTab = m_sheet.GetTabControl();
    if (pTab != NULL)
        pTab->ModifyStyle(TCS_MULTILINE, 0);

    RECT rcSheet;
    rcSheet.left = rcClient.left + kMargin;
    rcSheet.top = rcClient.top + kMargin;
    rcSheet.right = rcClient.right - kMargin;
    rcSheet.bottom = rcClient.bottom - bh - 2 * kMargin;
    int nWidth = rcSheet.right - rcSheet.left;
    int nHeight = rcSheet.bottom - rcSheet.top;
    m_sheet.MoveWindow(rcSheet.left, rcSheet.top, nWidth, nHeight, TRUE);
    if (pTab != NULL)
        pTab->MoveWindow(0, 0, nWidth, nHeight, TRUE);

    m_sheet.SetActivePage(0);
    return TRUE;
}

// Enter, Escape, Exit, Alt+F4 and the close box end the program, but not during a removal:
// a press that reaches the disabled window then (a queued one) is ignored.
void CUninstallDlg::OnOK()
{
    if (m_pPage && m_pPage->IsRemoving())
        return;
    CDialog::OnOK();
}

void CUninstallDlg::OnCancel()
{
    if (m_pPage && m_pPage->IsRemoving())
        return;
    CDialog::OnCancel();
}

// Only the low four bits are masked off, so 0x0010 to 0x001F all open the box.
void CUninstallDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
    {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CUninstallDlg::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    int cxIcon = GetSystemMetrics(SM_CXICON);
    int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    int x = (rect.right - rect.left - cxIcon + 1) / 2;
    int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    DrawIcon(hDC, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

HCURSOR CUninstallDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

// Runs on deactivation too: the dialog manager then saves the tab control as the focus to
// give back on the next activation.
void CUninstallDlg::OnActivate(UINT /*nState*/, CWnd* /*pWndOther*/, BOOL /*bMinimized*/)
{
    if (m_sheet.GetSafeHwnd() != NULL)
    {
        CWnd* pTab = m_sheet.GetTabControl();
        if (pTab != NULL)
            pTab->SetFocus();
    }
    Default();
}
