#pragma once

#include "framework/WinApp.h"

// The application: one modal run of the main dialog, then the process ends.
class CUninstallApp : public CWinApp
{
public:
    CUninstallApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CUninstallApp theApp;
