#include <gtest/gtest.h>

#include <memory>

#include "MessageBoxRecorder.h"
#include "UiDriver.h"
#include "ProductKey.h"
#include "framework/PropertySheet.h"
#include "uninstall/PropPage1.h"

namespace
{
const char kInstalledBody[] =
    "」\r\n\r\n  にインストールされている\r\nオルヴァリスを削除します。\r\n"
    "削除する場合は実行ボタンを押してください。\r\nやめる場合は終了ボタンを押してください。\r\n\r\n"
    "注意：アンインストールを実行すると\r\nアルバムデータも削除されてしまいます。\r\n"
    "削除したくない場合は、下のチェックをはずして下さい。\r\n";
const char kNotInstalled[] = "\r\n\r\nオルヴァリス\r\nがインストールされていません。";

// The page inside a sheet inside a plain window, as the main dialog hosts it.
class PropPage1Test : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RemoveProductKey());
        m_hHost = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 500, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
        ASSERT_NE(nullptr, m_hHost);
    }

    void TearDown() override
    {
        ClosePage();
        if (m_hHost != NULL)
            DestroyWindow(m_hHost);
        RemoveProductKey();
    }

    void ShowPage()
    {
        m_pSheet.reset(new CPropertySheet);
        m_pPage = new CPropPage1;
        m_pSheet->AddPage(m_pPage);
        ASSERT_TRUE(m_pSheet->Create(CWnd::FromHandle(m_hHost), WS_CHILD | WS_VISIBLE));
        ASSERT_NE(nullptr, m_pPage->GetSafeHwnd());
    }

    void ClosePage()
    {
        if (m_pSheet && m_pSheet->GetSafeHwnd() != NULL)
            DestroyWindow(m_pSheet->GetSafeHwnd());
        delete m_pPage;
        m_pPage = NULL;
        m_pSheet.reset();
    }

    HWND Control(int id) { return GetDlgItem(m_pPage->GetSafeHwnd(), id); }

    void ExpectNotInstalled()
    {
        EXPECT_EQ(kNotInstalled, CUiDriver::Text(m_pPage->m_editMessage.GetSafeHwnd()));
        EXPECT_FALSE(IsWindowEnabled(Control(IDC_BUTTON_EXECUTE)));
        EXPECT_FALSE(IsWindowEnabled(Control(IDC_CHECK_DELETE_ALBUM)));
    }

    HWND m_hHost = NULL;
    std::unique_ptr<CPropertySheet> m_pSheet;
    CPropPage1* m_pPage = NULL;
};
}

TEST_F(PropPage1Test, Installed_ShowsFolderAndBodyCentredWithControlsEnabled)
{
    ProductKey key;
    key.SetString("InstallFolder", "C:\\Program Files\\Orvalis");
    ShowPage();

    std::string expected = std::string("\r\n　「C:\\Program Files\\Orvalis") + kInstalledBody;
    EXPECT_EQ(expected, CUiDriver::Text(Control(IDC_EDIT_MESSAGE)));
    EXPECT_EQ(Control(IDC_EDIT_MESSAGE), m_pPage->m_editMessage.GetSafeHwnd());
    EXPECT_EQ(Control(IDC_BUTTON_EXECUTE), m_pPage->m_btnExecute.GetSafeHwnd());
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_BUTTON_EXECUTE)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_CHECK_DELETE_ALBUM)));
    EXPECT_EQ(BST_CHECKED, SendMessageA(Control(IDC_CHECK_DELETE_ALBUM), BM_GETCHECK, 0, 0));
}

TEST_F(PropPage1Test, InstalledFolderWithTrailByte5C_IsShownUnchanged)
{
    ProductKey key;
    key.SetString("InstallFolder", "D:\\ソフト\\表示");
    ShowPage();
    EXPECT_EQ(std::string("\r\n　「D:\\ソフト\\表示") + kInstalledBody, CUiDriver::Text(Control(IDC_EDIT_MESSAGE)));
}

TEST_F(PropPage1Test, AlbumCheckBox_ExchangesWithMember)
{
    ProductKey key;
    key.SetString("InstallFolder", "C:\\Orvalis");
    ShowPage();
    EXPECT_TRUE(m_pPage->m_bDeleteAlbum);

    SendMessageA(Control(IDC_CHECK_DELETE_ALBUM), BM_SETCHECK, BST_UNCHECKED, 0);
    m_pPage->UpdateData(TRUE);
    EXPECT_FALSE(m_pPage->m_bDeleteAlbum);

    m_pPage->m_bDeleteAlbum = TRUE;
    m_pPage->UpdateData(FALSE);
    EXPECT_EQ(BST_CHECKED, SendMessageA(Control(IDC_CHECK_DELETE_ALBUM), BM_GETCHECK, 0, 0));
}

TEST_F(PropPage1Test, ProductKeyAbsent_NotInstalledAndKeyNotCreated)
{
    ShowPage();
    ExpectNotInstalled();
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(PropPage1Test, UnusableInstallFolder_NotInstalled)
{
    struct Case
    {
        const char* name;
        void (*seed)(ProductKey&);
    };
    const Case cases[] = {
        { "missing", [](ProductKey& k) { k.SetString("AlbumFolder", "C:\\Album"); } },
        { "empty", [](ProductKey& k) { k.SetString("InstallFolder", ""); } },
        { "dword", [](ProductKey& k) { k.SetDword("InstallFolder", 1); } },
        { "over 1024 bytes", [](ProductKey& k) { k.SetString("InstallFolder", "C:\\" + std::string(1100, 'a')); } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ProductKey key;
        c.seed(key);
        ShowPage();
        ExpectNotInstalled();
        ClosePage();
    }
}

TEST_F(PropPage1Test, DynamicCreation_ByRunTimeClassName)
{
    const CRuntimeClass* pClass = CRuntimeClass::FromName("CPropPage1");
    ASSERT_NE(nullptr, pClass);
    CCmdTarget* pObject = pClass->CreateObject();
    CPropPage1* pPage = dynamic_cast<CPropPage1*>(pObject);
    ASSERT_NE(nullptr, pPage);
    EXPECT_TRUE(pPage->m_bDeleteAlbum);
    EXPECT_EQ(static_cast<UINT>(IDD_PROPPAGE1), pPage->m_nIDTemplate);
    delete pObject;
    EXPECT_EQ(nullptr, CRuntimeClass::FromName("CPropPage2"));
}
