#include "ProgramTest.h"
#include "TestFiles.h"

#include <sstream>

namespace
{
const char kAboutCaption[] = "ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ";
const char kAboutItemText[] = "ﾊﾞｰｼﾞｮﾝ情報(ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ) (&A)...";
const char kProbeDll[] = "C:\\OrvalisTest\\sysmenu_probe.dll";
const char kProbeOutput[] = "C:\\OrvalisTest\\sysmenu.txt";

struct SMenuItem
{
    UINT id;
    UINT state;
    std::string text;
};
}

class AboutTest : public CProgramTest
{
protected:
    void SetUp() override
    {
        SeedInstallFolder(kInstalledFolder);
        StartProgram();
    }

    HWND WaitForAbout() const { return m_driver.WaitForTopLevel(kAboutCaption); }

    // Reads the main window's system menu from inside the program through the hook DLL.
    bool ReadSystemMenu(std::vector<SMenuItem>& items) const
    {
        DeleteFileA(kProbeOutput);
        HMODULE probe = LoadLibraryA(kProbeDll);
        if (!probe)
            return false;
        typedef HHOOK (*InstallFn)(DWORD);
        InstallFn install = reinterpret_cast<InstallFn>(reinterpret_cast<void*>(GetProcAddress(probe, "InstallSystemMenuProbe")));
        HHOOK hook = install ? install(m_driver.ThreadId()) : nullptr;
        std::string text;
        if (hook)
        {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(m_driver.MainWindow(), RegisterWindowMessageA("OrvalisTest.DumpSystemMenu"), 0, 0,
                                SMTO_ABORTIFHUNG, 3000, &result);
            CUiDriver::WaitUntil([&] { return ReadTextFile(kProbeOutput, text) && !text.empty(); }, 3000);
            UnhookWindowsHookEx(hook);
        }
        FreeLibrary(probe);
        DeleteFileA(kProbeOutput);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
        {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            unsigned index = 0, id = 0, state = 0;
            int consumed = 0;
            if (sscanf(line.c_str(), "%u\t%x\t%x\t%n", &index, &id, &state, &consumed) == 3)
                items.push_back({ id, state, line.substr(consumed) });
        }
        return !items.empty();
    }
};

TEST_F(AboutTest, SystemMenu_EndsWithSeparatorAndAboutItem)
{
    std::vector<SMenuItem> items;
    ASSERT_TRUE(ReadSystemMenu(items)) << "the hook DLL did not report the system menu";
    ASSERT_GE(items.size(), 2u);
    const SMenuItem& separator = items[items.size() - 2];
    const SMenuItem& about = items.back();
    EXPECT_TRUE(separator.state & MF_SEPARATOR);
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), about.id);
    EXPECT_EQ(kAboutItemText, about.text);
    EXPECT_FALSE(about.state & (MF_GRAYED | MF_DISABLED));
    // The standard entries are still there: Close among them.
    bool hasClose = false;
    for (const SMenuItem& item : items)
        hasClose |= item.id == SC_CLOSE;
    EXPECT_TRUE(hasClose);
}

class AboutCommandTest : public AboutTest, public ::testing::WithParamInterface<WPARAM>
{
};

TEST_P(AboutCommandTest, OpensModalAboutBoxThatOkCloses)
{
    ASSERT_TRUE(m_driver.SysCommand(GetParam()));
    double start = NowMs();
    HWND about = WaitForAbout();
    ASSERT_TRUE(about) << "no About box";
    printf("[timing] system command to About box %.0f ms\n", NowMs() - start);

    EXPECT_EQ(m_driver.MainWindow(), GetWindow(about, GW_OWNER));
    RECT owner = {}, box = {};
    GetWindowRect(m_driver.MainWindow(), &owner);
    GetWindowRect(about, &box);
    EXPECT_NEAR((owner.left + owner.right) / 2, (box.left + box.right) / 2, 1) << "centred over the main window";
    EXPECT_NEAR((owner.top + owner.bottom) / 2, (box.top + box.bottom) / 2, 1);
    EXPECT_FALSE(IsWindowEnabled(m_driver.MainWindow())) << "the About box is modal";
    bool nameShown = false;
    for (HWND child : m_driver.Descendants(about))
        nameShown |= CUiDriver::Text(child) == "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ V1.0.1.1";
    EXPECT_TRUE(nameShown);
    EXPECT_FALSE(m_driver.Click(IDCANCEL)) << "Exit cannot be pressed behind the About box";

    ASSERT_TRUE(m_driver.Click(m_driver.Control(IDOK, about)));
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return IsWindowEnabled(m_driver.MainWindow()) != FALSE; }));
    EXPECT_TRUE(m_driver.IsRunning());
}

// Only the low four bits are masked off, so the whole range 0x10 to 0x1F opens the box.
INSTANTIATE_TEST_SUITE_P(AboutTest, AboutCommandTest, ::testing::Values(0x0010, 0x0013, 0x001F),
                         [](const ::testing::TestParamInfo<WPARAM>& info) {
                             char name[16];
                             snprintf(name, sizeof(name), "Command0x%04X", static_cast<unsigned>(info.param));
                             return std::string(name);
                         });

TEST_F(AboutTest, EscapeClosesAboutBoxAndKeepsProgram)
{
    ASSERT_TRUE(m_driver.SysCommand(IDM_ABOUTBOX));
    HWND about = WaitForAbout();
    ASSERT_TRUE(about);
    ASSERT_TRUE(CUiDriver::WaitUntil([&] { return GetAncestor(m_driver.FocusedWindow(), GA_ROOT) == about; }));
    ASSERT_TRUE(m_driver.PressKey(VK_ESCAPE));
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(m_driver.IsRunning());
    // The main window answers again: Exit ends the program.
    ASSERT_TRUE(CUiDriver::WaitUntil([&] { return m_driver.Click(IDCANCEL); }));
    EXPECT_TRUE(m_driver.WaitForExit());
}

TEST_F(AboutTest, CloseCommandStillClosesAfterAboutBox)
{
    ASSERT_TRUE(m_driver.SysCommand(IDM_ABOUTBOX));
    HWND about = WaitForAbout();
    ASSERT_TRUE(about);
    ASSERT_TRUE(m_driver.Click(m_driver.Control(IDOK, about)));
    ASSERT_TRUE(CUiDriver::WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(m_driver.MainWindow()); }));
    ASSERT_TRUE(m_driver.SysCommand(SC_CLOSE));
    EXPECT_TRUE(m_driver.WaitForExit());
}
