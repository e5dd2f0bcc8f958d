#include "ProgramTest.h"

#include <commctrl.h>

namespace
{
const std::string kNotInstalledText = "\r\n\r\nオルヴァリス\r\nがインストールされていません。";

std::string RemovalText(const std::string& folder)
{
    return "\r\n　「" + folder + "」\r\n"
           "\r\n  にインストールされている\r\nオルヴァリスを削除します。\r\n"
           "削除する場合は実行ボタンを押してください。\r\nやめる場合は終了ボタンを押してください。\r\n"
           "\r\n注意：アンインストールを実行すると\r\nアルバムデータも削除されてしまいます。\r\n"
           "削除したくない場合は、下のチェックをはずして下さい。\r\n";
}

// Makes a visible diff of code-page-932 bytes that gtest would print as escapes.
std::string Hex(const std::string& s)
{
    std::string out;
    char b[4];
    for (unsigned char c : s)
    {
        snprintf(b, sizeof(b), "%02x ", c);
        out += b;
    }
    return out;
}
}

class WindowTest : public CProgramTest
{
protected:
    HWND Sheet() const
    {
        // The embedded sheet is the main dialog's child dialog that holds the tab control.
        for (HWND child : m_driver.Descendants(m_driver.MainWindow(), "#32770"))
        {
            if (GetParent(child) == m_driver.MainWindow() && !m_driver.Descendants(child, WC_TABCONTROLA).empty())
                return child;
        }
        return nullptr;
    }
    HWND TabControl() const
    {
        HWND sheet = Sheet();
        std::vector<HWND> tabs = sheet ? m_driver.Descendants(sheet, WC_TABCONTROLA) : std::vector<HWND>();
        return tabs.empty() ? nullptr : tabs.front();
    }
};

TEST_F(WindowTest, Installed_ShowsRemovalTextWithControlsEnabled)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();

    EXPECT_EQ(CUiDriver::kMainCaption, CUiDriver::Text(m_driver.MainWindow()));
    HWND edit = m_driver.Control(IDC_EDIT_MESSAGE);
    ASSERT_TRUE(edit);
    std::string text = CUiDriver::Text(edit);
    EXPECT_EQ(RemovalText(kInstalledFolder), text) << Hex(text);
    EXPECT_TRUE(CUiDriver::Style(edit) & ES_READONLY);

    HWND check = m_driver.Control(IDC_CHECK_DELETE_ALBUM);
    HWND execute = m_driver.Control(IDC_BUTTON_EXECUTE);
    ASSERT_TRUE(check && execute);
    EXPECT_TRUE(IsWindowEnabled(check));
    EXPECT_EQ(BST_CHECKED, CUiDriver::CheckState(check));
    EXPECT_TRUE(IsWindowEnabled(execute));
    EXPECT_EQ("実行", CUiDriver::Text(execute));
    EXPECT_EQ("ｱﾙﾊﾞﾑ削除", CUiDriver::Text(check));
}

TEST_F(WindowTest, Installed_FolderWithTrailByte5CShownUnchanged)
{
    // "ソ" and "表" end in 0x5C: a byte-wise backslash search would cut them.
    const std::string folder = "C:\\Program Files\\ソフト表示\\Orvalis";
    SeedInstallFolder(folder);
    StartProgram();
    std::string text = CUiDriver::Text(m_driver.Control(IDC_EDIT_MESSAGE));
    EXPECT_EQ(RemovalText(folder), text) << Hex(text);
}

// Each case leaves the product key (or its absence) so that no installation folder is found.
struct SNotInstalledCase
{
    const char* name;
    void (*seed)();
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SNotInstalledCase& c, std::ostream* os)
{
    *os << c.name;
}

class NotInstalledTest : public WindowTest, public ::testing::WithParamInterface<SNotInstalledCase>
{
};

TEST_P(NotInstalledTest, ShowsNotInstalledTextWithControlsDisabled)
{
    GetParam().seed();
    if (HasFatalFailure())
        return;
    const std::vector<std::string> before = RegExport(HKEY_LOCAL_MACHINE, kMakerKey);
    StartProgram();

    std::string text = CUiDriver::Text(m_driver.Control(IDC_EDIT_MESSAGE));
    EXPECT_EQ(kNotInstalledText, text) << Hex(text);
    HWND check = m_driver.Control(IDC_CHECK_DELETE_ALBUM);
    HWND execute = m_driver.Control(IDC_BUTTON_EXECUTE);
    ASSERT_TRUE(check && execute);
    EXPECT_FALSE(IsWindowEnabled(check));
    EXPECT_EQ(BST_CHECKED, CUiDriver::CheckState(check));
    EXPECT_FALSE(IsWindowEnabled(execute));
    EXPECT_FALSE(m_driver.Click(execute)) << "a user cannot press a disabled Execute";

    ASSERT_TRUE(m_driver.Click(IDCANCEL));
    DWORD exitCode = 1;
    ASSERT_TRUE(m_driver.WaitForExit(CUiDriver::kTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode) << "nothing installed is nothing left";
    // Reading the display writes nothing: an absent product key is not created.
    EXPECT_EQ(before, RegExport(HKEY_LOCAL_MACHINE, kMakerKey));
}

INSTANTIATE_TEST_SUITE_P(
    WindowTest, NotInstalledTest,
    ::testing::Values(
        SNotInstalledCase{ "ProductKeyAbsent", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
        } },
        SNotInstalledCase{ "MakerKeyAbsent", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kMakerKey));
        } },
        SNotInstalledCase{ "InstallFolderMissing", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
            ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "AlbumFolder", "C:\\Album"));
        } },
        SNotInstalledCase{ "InstallFolderEmpty", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
            ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", ""));
        } },
        SNotInstalledCase{ "InstallFolderDword", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
            ASSERT_TRUE(RegSetDword(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", 1));
        } },
        SNotInstalledCase{ "InstallFolderExpandString", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
            ASSERT_TRUE(RegSetRaw(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", REG_EXPAND_SZ,
                                  std::string("C:\\Orvalis", 11)));
        } },
        SNotInstalledCase{ "InstallFolderOver1024Bytes", [] {
            ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
            ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder",
                                     "C:\\" + std::string(1100, 'a')));
        } }),
    [](const ::testing::TestParamInfo<SNotInstalledCase>& info) { return std::string(info.param.name); });

TEST_F(WindowTest, Installed_FolderFillingTheReadBufferIsShown)
{
    // 1023 characters and the terminating zero fill the 1024-byte buffer exactly.
    SeedInstallFolder("C:\\" + std::string(1020, 'a'));
    StartProgram();
    std::string text = CUiDriver::Text(m_driver.Control(IDC_EDIT_MESSAGE));
    EXPECT_EQ(RemovalText("C:\\" + std::string(1020, 'a')), text);
}

TEST_F(WindowTest, Layout_ExitBottomRightAndSheetFillsTheRest)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    HWND main = m_driver.MainWindow();
    RECT client = CUiDriver::ClientRect(main);
    HWND exitButton = m_driver.Control(IDCANCEL);
    ASSERT_TRUE(exitButton);
    ASSERT_EQ(main, GetParent(exitButton));
    EXPECT_EQ("終了", CUiDriver::Text(exitButton));
    RECT exit = CUiDriver::RectIn(exitButton, main);
    EXPECT_EQ(client.right - 5, exit.right);
    EXPECT_EQ(client.bottom - 5, exit.bottom);

    HWND sheet = Sheet();
    ASSERT_TRUE(sheet) << "no embedded property sheet";
    EXPECT_TRUE(CUiDriver::Style(sheet) & WS_CHILD);
    RECT sheetRect = CUiDriver::RectIn(sheet, main);
    EXPECT_EQ(5, sheetRect.left);
    EXPECT_EQ(5, sheetRect.top);
    EXPECT_EQ(client.right - 5, sheetRect.right);
    EXPECT_EQ(exit.top - 5, sheetRect.bottom);

    HWND tab = TabControl();
    ASSERT_TRUE(tab);
    RECT tabRect = CUiDriver::RectIn(tab, sheet);
    EXPECT_EQ(0, tabRect.left);
    EXPECT_EQ(0, tabRect.top);
    EXPECT_EQ(sheetRect.right - sheetRect.left, tabRect.right);
    EXPECT_EQ(sheetRect.bottom - sheetRect.top, tabRect.bottom);

    // The page is the sheet's child, below the tab row. (Its size is the template's, which
    // the sheet's move does not change.)
    HWND page = GetParent(m_driver.Control(IDC_EDIT_MESSAGE));
    ASSERT_TRUE(page);
    EXPECT_EQ(sheet, GetParent(page));
    RECT pageRect = CUiDriver::RectIn(page, sheet);
    EXPECT_GE(pageRect.left, 0);
    EXPECT_GT(pageRect.top, 0);
}

TEST_F(WindowTest, Placement_CentredInWorkArea)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    RECT work = {};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    RECT window = {};
    GetWindowRect(m_driver.MainWindow(), &window);
    // Centring divides by two; allow the rounding of either side.
    EXPECT_NEAR((work.left + work.right) / 2, (window.left + window.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (window.top + window.bottom) / 2, 1);

    // The icons are not checked here: Wine answers WM_GETICON from another process with 0.
}

TEST_F(WindowTest, Tabs_OneRowWithTheUninstallTab)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    HWND tab = TabControl();
    ASSERT_TRUE(tab);
    EXPECT_FALSE(CUiDriver::Style(tab) & TCS_MULTILINE);
    EXPECT_EQ(1, SendMessageA(tab, TCM_GETROWCOUNT, 0, 0));
    EXPECT_EQ(std::vector<std::string>{ "ｱﾝｲﾝｽﾄｰﾙ" }, m_driver.TabTexts(tab));
}

TEST_F(WindowTest, Sheet_StandardButtonsHiddenAndDisabled)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    HWND sheet = Sheet();
    ASSERT_TRUE(sheet);
    for (int id : { IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP })
    {
        HWND button = GetDlgItem(sheet, id);
        if (!button)
            continue;  // a sheet without that button shows none either
        EXPECT_FALSE(IsWindowVisible(button)) << "button " << id;
        EXPECT_FALSE(IsWindowEnabled(button)) << "button " << id;
    }
    // What the user sees as Cancel is the main dialog's Exit button.
    EXPECT_EQ(m_driver.MainWindow(), GetParent(m_driver.Control(IDCANCEL)));
}

TEST_F(WindowTest, Reactivation_MovesFocusToTabControl)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    HWND tab = TabControl();
    HWND exitButton = m_driver.Control(IDCANCEL);
    ASSERT_TRUE(tab && exitButton);
    ASSERT_TRUE(m_driver.Focus(exitButton));

    // Another program's window takes the activation, then the user switches back.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(other);
    SetForegroundWindow(other);
    // The program learns of its deactivation later than the system records the switch.
    ASSERT_TRUE(CUiDriver::WaitUntil([&] { return GetForegroundWindow() == other && !m_driver.ActiveWindow(); }));
    SetForegroundWindow(m_driver.MainWindow());
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return m_driver.FocusedWindow() == tab; }))
        << "focus on " << CUiDriver::ClassName(m_driver.FocusedWindow());
    DestroyWindow(other);
}

TEST_F(WindowTest, ExitButton_EndsTheProgram)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    double start = NowMs();
    ASSERT_TRUE(m_driver.Click(IDCANCEL));
    DWORD exitCode = 0;
    EXPECT_TRUE(m_driver.WaitForExit(CUiDriver::kTimeoutMs, &exitCode));
    EXPECT_EQ(1602u, exitCode) << "ended without running the removal";
    printf("[timing] Exit click to process end %.0f ms\n", NowMs() - start);
}

TEST_F(WindowTest, EscapeKey_EndsTheProgram)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    ASSERT_TRUE(CUiDriver::WaitUntil([&] { return m_driver.FocusedWindow() != nullptr; }));
    ASSERT_TRUE(m_driver.PressKey(VK_ESCAPE));
    EXPECT_TRUE(m_driver.WaitForExit());
}

TEST_F(WindowTest, EscapeKey_EndsTheProgramFromThePage)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDC_CHECK_DELETE_ALBUM)));
    ASSERT_TRUE(m_driver.PressKey(VK_ESCAPE));
    EXPECT_TRUE(m_driver.WaitForExit());
}

TEST_F(WindowTest, EscapeTypedOnKeyboard_EndsTheProgram)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    ASSERT_TRUE(m_driver.Activate());
    ASSERT_TRUE(m_driver.TypeKey(VK_ESCAPE));
    EXPECT_TRUE(m_driver.WaitForExit());
}

TEST_F(WindowTest, CloseCommand_EndsTheProgram)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    ASSERT_TRUE(m_driver.SysCommand(SC_CLOSE));
    EXPECT_TRUE(m_driver.WaitForExit());
}

TEST_F(WindowTest, CheckBox_TogglesWhenClicked)
{
    SeedInstallFolder(kInstalledFolder);
    StartProgram();
    HWND check = m_driver.Control(IDC_CHECK_DELETE_ALBUM);
    ASSERT_TRUE(m_driver.Click(check));
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return CUiDriver::CheckState(check) == BST_UNCHECKED; }));
    ASSERT_TRUE(m_driver.Click(check));
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return CUiDriver::CheckState(check) == BST_CHECKED; }));
}
