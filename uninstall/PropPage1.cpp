#include "PropPage1.h"

#include <commctrl.h>
#include <prsht.h>

#include "framework/Exception.h"
#include "framework/KernelHandle.h"
#include "framework/MessageBox.h"
#include "framework/Platform.h"
#include "framework/String.h"
#include "framework/WaitCursor.h"
#include "registry/RegistryKey.h"
#include "uninstall/Footprint.h"
#include "uninstall/RemovalRun.h"
#include "uninstall/UninstallProcedure.h"

namespace
{
const char kFolderPrefix[] = "\r\n　「";
const char kFolderSuffix[] = "」\r\n";
const char kBody[] = "\r\n  にインストールされている\r\nオルヴァリスを削除します。\r\n"
                     "削除する場合は実行ボタンを押してください。\r\n"
                     "やめる場合は終了ボタンを押してください。\r\n\r\n"
                     "注意：アンインストールを実行すると\r\nアルバムデータも削除されてしまいます。\r\n";
const char kAlbumNote[] = "削除したくない場合は、下のチェックをはずして下さい。\r\n";
const char kNotInstalledText[] = "\r\n\r\nオルヴァリス\r\nがインストールされていません。";

const char kMsgRunning[] = "オルヴァリスが起動しています。終了させてから実行してください。";
const char kMsgConfirm[] = "ｱﾝｲﾝｽﾄｰﾙを実行します。よろしいですか？";
const char kMsgNothing[] = "削除されているか、削除に失敗しました。";
const char kMsgComplete[] = "完全に削除しました。";
const char kMsgPartial[] = "削除に成功しました。";

// Marks a press, or its removal, as running for as long as it runs, also when a file exception
// ends it.
class CRunning
{
public:
    explicit CRunning(BOOL& bRunning) : m_bRunning(bRunning) { m_bRunning = TRUE; }
    ~CRunning() { m_bRunning = FALSE; }

private:
    CRunning(const CRunning&);
    CRunning& operator=(const CRunning&);
    BOOL& m_bRunning;
};
}

IMPLEMENT_DYNCREATE(CPropPage1)

BEGIN_MESSAGE_MAP(CPropPage1, CPropertyPage)
    ON_BN_CLICKED(IDC_BUTTON_EXECUTE, OnExecute)
END_MESSAGE_MAP()

CPropPage1::CPropPage1() : CPropertyPage(IDD), m_bDeleteAlbum(TRUE), m_bRunning(FALSE), m_bRemoving(FALSE),
      m_result(kNotRun)
{
}

CPropPage1::~CPropPage1()
{
}

void CPropPage1::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BUTTON_EXECUTE, m_btnExecute);
    DDX_Control(pDX, IDC_EDIT_MESSAGE, m_editMessage);
    DDX_Check(pDX, IDC_CHECK_DELETE_ALBUM, m_bDeleteAlbum);
}

// The existence probe comes first so that showing the page never creates the product key.
BOOL CPropPage1::OnInitDialog()
{
    CPropertyPage::OnInitDialog();

    CString folder;
    CRegistryKey key(Footprint::kProductKey);
    if (key.KeyExists())
    {
        key.GetValue(Footprint::kInstallFolderValue, folder, "");
        key.Close();
    }

    if (!folder.IsEmpty())
    {
        m_editMessage.SetWindowText(kFolderPrefix + folder + kFolderSuffix + kBody + kAlbumNote);
        UpdateData(FALSE);
    }
    else
    {
        m_editMessage.SetWindowText(kNotInstalledText);
        m_result = kNotInstalled;
        CWnd* pButton = GetDlgItem(IDC_BUTTON_EXECUTE);
        if (pButton != NULL)
            pButton->EnableWindow(FALSE);
        CWnd* pCheck = GetDlgItem(IDC_CHECK_DELETE_ALBUM);
        if (pCheck != NULL)
            pCheck->EnableWindow(FALSE);
    }
    return TRUE;
}

// One run per press: the steps below, the procedure itself, and the count's message.
void CPropPage1::OnExecute()
{
    // A press that comes while a run waits in one of its boxes (the second click of a double
    // click) is part of that run; so is one after the run, which disabled the button (Wine
    // delivers a posted click even then).
    if (m_bRunning || !m_btnExecute.IsWindowEnabled())
        return;
    CRunning running(m_bRunning);
    FocusTabs();
    // Held for one press. A run that completes leaves the handle open until the program
    // exits; an early return or a file exception closes it, so that a later press does not
    // mistake our own handle for a running application.
    CKernelHandle mutex;
    if (!CUninstallProcedure::ClaimApplication(mutex))
    {
        m_result = kApplicationRunning;
        AfxMessageBox(kMsgRunning, MB_OK);
        return;
    }
    if (!ConfirmRun())
    {
        m_result = kCancelled;
        return;
    }
    CWaitCursor wait;
    UpdateData(TRUE);
    // A file exception that ends the run leaves it incomplete.
    m_result = kIncomplete;
    CRemovalRun run(m_hWnd, m_bDeleteAlbum);
    int nCount = 0;
    {
        CRunning removing(m_bRemoving);
        nCount = run.Run(Platform::GetAncestor(m_hWnd, GA_ROOT), TRUE);
    }
    // A file exception that ended the removal on its thread ends the press here, where one
    // raised inside it always did, and the framework reports it.
    CException* pError = run.TakeException();
    if (pError != NULL)
        throw pError;
    ShowResult(nCount);
    m_result = run.IsComplete() ? kComplete : kIncomplete;
    m_btnExecute.EnableWindow(FALSE);
    mutex.Detach();
}

// The sheet that hosts this page is the main dialog's.
void CPropPage1::FocusTabs()
{
    HWND hTab = reinterpret_cast<HWND>(::SendMessageA(::GetParent(m_hWnd), PSM_GETTABCONTROL, 0, 0));
    if (hTab != NULL)
        ::SetFocus(hTab);
}

BOOL CPropPage1::ConfirmRun()
{
    return AfxMessageBox(kMsgConfirm, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void CPropPage1::ShowResult(int nCount)
{
    if (nCount == 0)
        AfxMessageBox(kMsgNothing, MB_OK);
    else if (nCount == CUninstallProcedure::kCountedSteps)
        AfxMessageBox(kMsgComplete, MB_OK);
    else
        AfxMessageBox(kMsgPartial, MB_OK);
}
