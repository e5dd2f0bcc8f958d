#include "ProgramTest.h"
#include "TestFiles.h"

#include <map>
#include <sstream>

// The demo's and the screenshots' driver, run against the program as the scripts run it: what
// it reports must match the windows, and it must refuse what a user could not do.
namespace
{
const char kDriver[] = "C:\\OrvalisTest\\OrvalisDemoDriver.exe";
const char kDriverOutput[] = "C:\\OrvalisTest\\demo_driver.txt";
const char kConfirmText[] = "ｱﾝｲﾝｽﾄｰﾙを実行します。よろしいですか？";

struct SDriverRun
{
    DWORD exitCode;
    std::map<std::string, std::string> fields;
};

std::string RectText(HWND wnd)
{
    RECT rc = {};
    GetWindowRect(wnd, &rc);
    std::ostringstream text;
    text << rc.left << ' ' << rc.top << ' ' << rc.right << ' ' << rc.bottom;
    return text.str();
}
}

class DemoDriverTest : public CProgramTest
{
protected:
    void SetUp() override
    {
        SeedInstallFolder(kInstalledFolder);
        StartProgram();
    }

    // Runs one step with its output in a file, as the scripts do, and reads its lines back.
    static SDriverRun Drive(const std::string& step)
    {
        SDriverRun run = { 0xFFFFFFFF, {} };
        SECURITY_ATTRIBUTES sa = { sizeof(sa), nullptr, TRUE };
        HANDLE out = CreateFileA(kDriverOutput, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            return run;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = out;
        std::string commandLine = std::string("OrvalisDemoDriver.exe ") + step;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA(kDriver, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        {
            if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
                GetExitCodeProcess(pi.hProcess, &run.exitCode);
            else
                TerminateProcess(pi.hProcess, 0xDEAD);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(out);
        std::string text;
        ReadTextFile(kDriverOutput, text);
        DeleteFileA(kDriverOutput);
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
        {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            size_t blank = line.find(' ');
            if (blank != std::string::npos)
                run.fields[line.substr(0, blank)] = line.substr(blank + 1);
        }
        return run;
    }
};

TEST_F(DemoDriverTest, Main_ReportsWindowRectangleAndPageState)
{
    SDriverRun run = Drive("main");
    ASSERT_EQ(0u, run.exitCode);
    EXPECT_EQ(RectText(m_driver.MainWindow()), run.fields["window"]);
    EXPECT_EQ("1", run.fields["album"]);
    EXPECT_EQ("1", run.fields["execute"]);
}

TEST_F(DemoDriverTest, About_ReportsTheBoxAndAnswerClosesIt)
{
    SDriverRun run = Drive("about");
    ASSERT_EQ(0u, run.exitCode);
    HWND about = m_driver.WaitForTopLevel("ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ");
    ASSERT_TRUE(about);
    EXPECT_EQ(RectText(about), run.fields["box"]);
    EXPECT_EQ("ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ", run.fields["caption"]);
    EXPECT_EQ("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ V1.0.1.1", run.fields["text"]) << "the first text, not the icon";

    EXPECT_NE(0u, Drive("about").exitCode) << "a second About box over the first";
    EXPECT_NE(0u, Drive("exit").exitCode) << "終了 cannot be pressed behind the box";
    ASSERT_EQ(0u, Drive("answer 1").exitCode);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_TRUE(m_driver.IsRunning());
}

TEST_F(DemoDriverTest, Execute_ReportsConfirmationAndNoKeepsInstallation)
{
    SDriverRun run = Drive("execute");
    ASSERT_EQ(0u, run.exitCode);
    EXPECT_EQ(kConfirmText, run.fields["text"]);
    EXPECT_EQ(kAppTitle, run.fields["caption"]);
    HWND box = m_driver.CurrentMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(RectText(box), run.fields["box"]);

    // No further box follows a No: waiting for one fails within its limit.
    EXPECT_NE(0u, Drive("answer 7 500").exitCode);
    EXPECT_FALSE(m_driver.CurrentMessageBox());
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    ASSERT_EQ(0u, Drive("exit").exitCode);
    EXPECT_TRUE(m_driver.WaitForExit(0));
}

TEST_F(DemoDriverTest, Execute_RefusedWhenNotInstalled)
{
    m_driver.Kill();
    ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
    CUiDriver driver;
    ASSERT_TRUE(driver.Start());
    SDriverRun run = Drive("main");
    ASSERT_EQ(0u, run.exitCode);
    EXPECT_EQ("0", run.fields["execute"]);
    EXPECT_NE(0u, Drive("execute").exitCode) << "実行 is disabled";
    EXPECT_FALSE(driver.CurrentMessageBox());
    ASSERT_EQ(0u, Drive("exit").exitCode);
    EXPECT_TRUE(driver.WaitForExit(0));
}
