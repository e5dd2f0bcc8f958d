#pragma once

#include "TestRegistry.h"

// Makes Wine report another Windows version ("win98", "nt40", "win7", ...) to the program for
// as long as the object lives; the previous setting, or its absence, comes back afterwards.
class CAppVersion
{
public:
    explicit CAppVersion(const char* version, const char* exeName = "OrvalisUninstaller.exe");
    bool IsSet() const { return m_bSet; }

private:
    std::string m_key;
    CRegistryBackup m_backup;
    bool m_bSet;
};
