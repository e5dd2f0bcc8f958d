#include "ProgramTest.h"
#include "TestFiles.h"

namespace
{
const char kViewerLog[] = "C:\\OrvalisTest\\winhlp32.log";
const char kViewerRefuse[] = "C:\\OrvalisTest\\winhlp32.refuse";
const char kHelpFile[] = "C:\\OrvalisTest\\OrvalisUninstaller.HLP";
const char kHelpFailedText[] = "ﾍﾙﾌﾟの起動に失敗しました。";

void CloseViewers()
{
    for (HWND viewer; (viewer = FindWindowA("MS_WINHELP", nullptr)) != nullptr;)
    {
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        if (!CUiDriver::WaitUntil([&] { return !IsWindow(viewer); }, 3000))
            break;
    }
}

std::vector<std::string> ViewerLines(const char* kind)
{
    std::vector<std::string> lines;
    std::string text;
    if (!ReadTextFile(kViewerLog, text))
        return lines;
    const std::string prefix = std::string(kind) + "\t";
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        std::string line = text.substr(start, end - start);
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}
}

// F1 goes to the help viewer; the stand-in viewer (tests/tools/winhlp32.cpp), found in the
// program's folder before the system's, records how it was started and what was asked.
class HelpTest : public CProgramTest
{
protected:
    void SetUp() override
    {
        CloseViewers();
        DeleteFileA(kViewerLog);
        DeleteFileA(kViewerRefuse);
        SeedInstallFolder(kInstalledFolder);
        StartProgram();
        // Keyboard input reaches the foreground window only.
        ASSERT_TRUE(m_driver.Activate());
    }
    void TearDown() override
    {
        m_driver.Kill();
        CloseViewers();
        DeleteFileA(kViewerRefuse);
        DeleteFileA(kViewerLog);
    }

    std::string ExpectedRequest(int templateId) const
    {
        char head[64];
        snprintf(head, sizeof(head), "%u\t0x%x\t", static_cast<unsigned>(HELP_CONTEXT), 0x20000 + templateId);
        return head + std::string(kHelpFile);
    }
};

TEST_F(HelpTest, F1OnPageAsksForPageContext)
{
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDC_CHECK_DELETE_ALBUM)));
    double start = NowMs();
    ASSERT_TRUE(m_driver.TypeKey(VK_F1));
    ASSERT_TRUE(CUiDriver::WaitUntil([] { return !ViewerLines("request").empty(); }))
        << "no help request reached the viewer";
    printf("[timing] F1 to help request %.0f ms\n", NowMs() - start);
    EXPECT_EQ(std::vector<std::string>{ ExpectedRequest(IDD_PROPPAGE1) }, ViewerLines("request"));
    ASSERT_EQ(1u, ViewerLines("start").size());
    EXPECT_NE(std::string::npos, ViewerLines("start")[0].find("-x"));
    EXPECT_FALSE(m_driver.CurrentMessageBox());
}

TEST_F(HelpTest, F1OnExitButtonAsksForMainDialogContext)
{
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDCANCEL)));
    ASSERT_TRUE(m_driver.TypeKey(VK_F1));
    ASSERT_TRUE(CUiDriver::WaitUntil([] { return !ViewerLines("request").empty(); }));
    EXPECT_EQ(std::vector<std::string>{ ExpectedRequest(IDD_UNINSTALL_DIALOG) }, ViewerLines("request"));
}

TEST_F(HelpTest, F1WithoutViewerShowsLaunchFailure)
{
    ASSERT_TRUE(WriteTextFile(kViewerRefuse, "refuse"));
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDC_CHECK_DELETE_ALBUM)));
    ASSERT_TRUE(m_driver.TypeKey(VK_F1));
    HWND box = m_driver.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(kHelpFailedText, CUiDriver::MessageBoxText(box));
    EXPECT_EQ(kAppTitle, CUiDriver::Text(box));
    EXPECT_EQ(m_driver.MainWindow(), GetWindow(box, GW_OWNER));
    ASSERT_TRUE(m_driver.Answer(box, IDOK));
    EXPECT_TRUE(m_driver.IsRunning());
    EXPECT_TRUE(ViewerLines("request").empty());
}

TEST_F(HelpTest, F1AsksOnlyOnce)
{
    // A key press can reach the framework twice: as the key itself and as the system's help
    // message that Wine derives from it. Either may start help, not both.
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDC_CHECK_DELETE_ALBUM)));
    ASSERT_TRUE(m_driver.TypeKey(VK_F1));
    ASSERT_TRUE(CUiDriver::WaitUntil([] { return !ViewerLines("request").empty(); }));
    // Posted messages are handled in order: once the About box that follows is up, whatever
    // the key produced has been handled.
    ASSERT_TRUE(m_driver.SysCommand(IDM_ABOUTBOX));
    HWND about = m_driver.WaitForTopLevel("ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ");
    ASSERT_TRUE(about);
    EXPECT_EQ(1u, ViewerLines("request").size());
    EXPECT_EQ(1u, ViewerLines("start").size());
}

TEST_F(HelpTest, F1PostedToFocusedControlAsksToo)
{
    // The same request when the key arrives as posted messages rather than from the keyboard.
    ASSERT_TRUE(m_driver.Focus(m_driver.Control(IDC_CHECK_DELETE_ALBUM)));
    ASSERT_TRUE(m_driver.PressKey(VK_F1));
    ASSERT_TRUE(CUiDriver::WaitUntil([] { return !ViewerLines("request").empty(); }));
    EXPECT_EQ(std::vector<std::string>{ ExpectedRequest(IDD_PROPPAGE1) }, ViewerLines("request"));
}
