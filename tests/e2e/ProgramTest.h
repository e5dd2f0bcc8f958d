#pragma once

#include <gtest/gtest.h>

#include "ProductKey.h"
#include "TestRegistry.h"
#include "UiDriver.h"
#include "res/resource.h"

// Texts and folders of the installation the tests lay out.
extern const char* const kAppTitle;    // the caption of every message box
extern const char* const kInstalledFolder;

// Fixture for tests that run the program: the maker key is saved before and put back after
// each test, and the program is killed first if the test left it running.
class CProgramTest : public ::testing::Test
{
protected:
    CProgramTest() : m_makerBackup(HKEY_LOCAL_MACHINE, kMakerKey) {}

    // Leaves the product key with InstallFolder = folder and nothing else.
    static void SeedInstallFolder(const std::string& folder)
    {
        ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", folder));
    }

    void StartProgram()
    {
        ASSERT_TRUE(m_driver.Start()) << "no main window within the time limit";
        RecordProperty("start_to_window_ms", static_cast<int>(m_driver.StartMs()));
        printf("[timing] start to main window %.0f ms\n", m_driver.StartMs());
    }

    CRegistryBackup m_makerBackup;  // declared first: restored after the program has ended
    CUiDriver m_driver;
};
