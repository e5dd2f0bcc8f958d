#include "PropPage1.h"

#include "registry/RegistryKey.h"
#include "uninstall/Footprint.h"

namespace
{
const char kFolderPrefix[] = "\r\n　「";
const char kFolderSuffix[] = "」\r\n";
const char kBody[] = "\r\n  にインストールされている\r\nオルヴァリスを削除します。\r\n"
                     "削除する場合は実行ボタンを押してください。\r\n"
                     "やめる場合は終了ボタンを押してください。\r\n\r\n"
                     "注意：アンインストールを実行すると\r\nアルバムデータも削除されてしまいます。\r\n";
const char kAlbumNote[] = "削除したくない場合は、下のチェックをはずして下さい。\r\n";
const char kNotInstalled[] = "\r\n\r\nオルヴァリス\r\nがインストールされていません。";
}

IMPLEMENT_DYNCREATE(CPropPage1)

BEGIN_MESSAGE_MAP(CPropPage1, CPropertyPage)
    ON_BN_CLICKED(IDC_BUTTON_EXECUTE, OnExecute)
END_MESSAGE_MAP()

CPropPage1::CPropPage1() : CPropertyPage(IDD), m_bDeleteAlbum(TRUE), m_bRunning(FALSE)
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
        m_editMessage.SetWindowText(kNotInstalled);
        CWnd* pButton = GetDlgItem(IDC_BUTTON_EXECUTE);
        if (pButton != NULL)
            pButton->EnableWindow(FALSE);
        CWnd* pCheck = GetDlgItem(IDC_CHECK_DELETE_ALBUM);
        if (pCheck != NULL)
            pCheck->EnableWindow(FALSE);
    }
    return TRUE;
}
