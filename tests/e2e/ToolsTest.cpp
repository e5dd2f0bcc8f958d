// The helper programs that the uninstall tests rely on behave as those tests assume.
#include <gtest/gtest.h>

#include "AppVersion.h"
#include "MutexHolder.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "UiDriver.h"

namespace
{
const char kTestMutex[] = "OrvalisTest@ToolsTest";

DWORD CreateMutexError(const char* name)
{
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    DWORD error = GetLastError();
    if (mutex)
        CloseHandle(mutex);
    return mutex ? (error == ERROR_ALREADY_EXISTS ? error : 0) : error;
}

// Runs winver_probe.exe and returns what version it was told.
std::string ProbeVersion()
{
    const char output[] = "C:\\OrvalisTest\\winver_probe.txt";
    DeleteFileA(output);
    std::string commandLine = "winver_probe.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA("C:\\OrvalisTest\\winver_probe.exe", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        CUiDriver::kStageFolder, &si, &pi))
        return "not started";
    WaitForSingleObject(pi.hProcess, CUiDriver::kTimeoutMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string text;
    ReadTextFile(output, text);
    DeleteFileA(output);
    return text;
}
}

TEST(ToolsTest, AppVersion_SetsAndRestoresThePerProgramVersion)
{
    const std::string usual = ProbeVersion();
    {
        CAppVersion win98("win98", "winver_probe.exe");
        ASSERT_TRUE(win98.IsSet());
        EXPECT_EQ("1 4 10", ProbeVersion());
    }
    {
        CAppVersion nt40("nt40", "winver_probe.exe");
        EXPECT_EQ("2 4 0", ProbeVersion());
    }
    EXPECT_EQ(usual, ProbeVersion());
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\winver_probe.exe"));
}

TEST(ToolsTest, MutexHolder_MakesCreateReportAlreadyExists)
{
    CMutexHolder holder;
    ASSERT_TRUE(holder.Start(kTestMutex));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), CreateMutexError(kTestMutex));
    ASSERT_TRUE(holder.Stop());
    EXPECT_EQ(0u, CreateMutexError(kTestMutex)) << "released on stop";
}

TEST(ToolsTest, MutexHolder_DenyMakesCreateFailWithAccessDenied)
{
    CMutexHolder holder;
    ASSERT_TRUE(holder.Start(kTestMutex, true));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), CreateMutexError(kTestMutex));
}

TEST(ToolsTest, Kicker_LogsCommandLineFolderAndTime)
{
    ASSERT_TRUE(ClearKickerLog());
    const std::string folder = "C:\\OrvalisTest\\kicker test";
    ASSERT_TRUE(MakeFolders(folder));
    std::string commandLine = "OrvalisKicker.exe -D";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    FILETIME before;
    GetSystemTimeAsFileTime(&before);
    ASSERT_TRUE(CreateProcessA("C:\\OrvalisTest\\OrvalisKicker.exe", &commandLine[0], nullptr, nullptr, FALSE,
                               CREATE_DEFAULT_ERROR_MODE, nullptr, folder.c_str(), &si, &pi));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, CUiDriver::kTimeoutMs));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    std::vector<SKickerRun> runs = ReadKickerLog();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("OrvalisKicker.exe -D", runs[0].commandLine);
    EXPECT_EQ(folder, runs[0].folder);
    unsigned long long start = (static_cast<unsigned long long>(before.dwHighDateTime) << 32) | before.dwLowDateTime;
    EXPECT_GE(runs[0].time, start);
    EXPECT_LT(runs[0].time, start + 10ull * 10000000ull);
    EXPECT_TRUE(ClearKickerLog());
    EXPECT_TRUE(RemoveTestTree(folder));
}
