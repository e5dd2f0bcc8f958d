#pragma once

#include "framework/WinApp.h"

class CCommandLine;
class CUninstallLog;

// The application: one modal run of the main dialog, or one unattended run, then the process
// ends with an exit code that deployment tools read.
class CUninstallApp : public CWinApp
{
public:
    CUninstallApp();

    BOOL InitInstance() override;
    int ExitInstance() override;

    DECLARE_MESSAGE_MAP()

private:
    // bComplete: everything that was to go is gone.
    int RunUnattended(const CCommandLine& commandLine, CUninstallLog& log, BOOL& bComplete);
    int RunInteractive(const CCommandLine& commandLine, BOOL& bComplete);
    static void ShowUsage();

    int m_nExitCode;
};

extern CUninstallApp theApp;
