#include "AppVersion.h"

namespace
{
std::string AppDefaultsKey(const char* exeName)
{
    return std::string("Software\\Wine\\AppDefaults\\") + exeName;
}
}

// The backup covers AppDefaults itself, which a fresh prefix may not have.
CAppVersion::CAppVersion(const char* version, const char* exeName)
    : m_key(AppDefaultsKey(exeName)), m_backup(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults"), m_bSet(false)
{
    m_bSet = RegSetString(HKEY_CURRENT_USER, m_key, "Version", version);
}
