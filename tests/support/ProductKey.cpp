#include "ProductKey.h"

#include "TestRegistry.h"

const char* const kMakerKey = "Software\\Halvik";
const char* const kProductKey = "Software\\Halvik\\Orvalis";

ProductKey::ProductKey() : m_bMakerCreated(!RegKeyExists(HKEY_LOCAL_MACHINE, kMakerKey))
{
    RegCreatePath(HKEY_LOCAL_MACHINE, kProductKey);
}

ProductKey::~ProductKey()
{
    RemoveProductKey();
    if (m_bMakerCreated)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMakerKey);
}

void ProductKey::SetString(const char* name, const std::string& value)
{
    RegSetString(HKEY_LOCAL_MACHINE, kProductKey, name, value);
}

void ProductKey::SetDword(const char* name, DWORD value)
{
    RegSetDword(HKEY_LOCAL_MACHINE, kProductKey, name, value);
}

bool RemoveProductKey()
{
    return RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey);
}

bool ProductKeyExists()
{
    return RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey);
}
