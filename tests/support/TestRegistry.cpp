#include "TestRegistry.h"

#include "TestFiles.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace
{
class CKey
{
public:
    explicit CKey(HKEY key = nullptr) : m_hKey(key) {}
    ~CKey() { if (m_hKey) RegCloseKey(m_hKey); }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    HKEY* operator&() { return &m_hKey; }
    operator HKEY() const { return m_hKey; }

private:
    HKEY m_hKey;
};

bool Capture(HKEY key, CRegistryBackup::Key& out)
{
    char name[16384];
    for (DWORD i = 0;; ++i)
    {
        DWORD nameSize = sizeof(name);
        DWORD type = 0, dataSize = 0;
        LONG rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            return false;
        std::string data(dataSize, '\0');
        nameSize = sizeof(name);
        rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                           reinterpret_cast<BYTE*>(&data[0]), &dataSize);
        if (rc != ERROR_SUCCESS)
            return false;
        data.resize(dataSize);
        out.values.push_back({ std::string(name, nameSize), type, data });
    }
    for (DWORD i = 0;; ++i)
    {
        DWORD nameSize = sizeof(name);
        LONG rc = RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            return false;
        CRegistryBackup::Key sub;
        sub.name.assign(name, nameSize);
        CKey subKey;
        if (RegOpenKeyExA(key, sub.name.c_str(), 0, KEY_READ, &subKey) != ERROR_SUCCESS
            || !Capture(subKey, sub))
            return false;
        out.subKeys.push_back(sub);
    }
    return true;
}

bool Write(HKEY parent, const std::string& path, const CRegistryBackup::Key& saved)
{
    CKey key;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& v : saved.values)
    {
        ok &= RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                             static_cast<DWORD>(v.data.size())) == ERROR_SUCCESS;
    }
    for (const auto& sub : saved.subKeys)
        ok &= Write(key, sub.name, sub);
    return ok;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool EnableBackupPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid)
           && AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)
           && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}
}

CRegistryBackup::CRegistryBackup(HKEY root, const std::string& path)
    : m_root(root), m_path(path), m_existed(false)
{
    CKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
        m_existed = Capture(key, m_saved);
}

CRegistryBackup::~CRegistryBackup()
{
    Restore();
}

bool CRegistryBackup::Restore() const
{
    if (!RegDeleteTreeAll(m_root, m_path))
        return false;
    return !m_existed || Write(m_root, m_path, m_saved);
}

bool RegKeyExists(HKEY root, const std::string& path, REGSAM view)
{
    CKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS;
}

bool RegCreatePath(HKEY root, const std::string& path)
{
    CKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        == ERROR_SUCCESS;
}

bool RegDeleteTreeAll(HKEY root, const std::string& path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
    return !RegKeyExists(root, path);
}

bool RegSetRaw(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data)
{
    CKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool RegSetWideString(HKEY root, const std::string& path, const char* name, const std::wstring& value)
{
    CKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    const std::wstring wideName(name, name + strlen(name));
    return RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegCreateLink(HKEY root, const std::string& path, const std::wstring& target)
{
    CKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    // The target is stored without a terminating zero.
    return RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegDeleteLink(HKEY root, const std::string& path)
{
    typedef LONG(NTAPI * NtDeleteKeyFn)(HANDLE);
    static const NtDeleteKeyFn deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    CKey key;
    LONG rc = RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &key);
    return rc == ERROR_FILE_NOT_FOUND || (rc == ERROR_SUCCESS && deleteKey && deleteKey(key) >= 0);
}

bool RegSetString(HKEY root, const std::string& path, const char* name, const std::string& value)
{
    return RegSetRaw(root, path, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

bool RegSetDword(HKEY root, const std::string& path, const char* name, DWORD value)
{
    return RegSetRaw(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof(value)));
}

std::vector<std::string> RegExport(HKEY root, const std::string& path, REGSAM view)
{
    static const bool backupEnabled = EnableBackupPrivilege();
    CKey key;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return {};
    if (!backupEnabled || rc != ERROR_SUCCESS)
        return { "<not saved>" };
    const char file[] = "C:\\OrvalisTest\\uninstall-snapshot.reg";
    DeleteFileA(file);
    rc = RegSaveKeyA(key, file, nullptr);
    std::string text;
    if (rc != ERROR_SUCCESS || !ReadTextFile(file, text))
        return { "<not saved>" };
    DeleteFileA(file);
    std::vector<std::string> lines;
    std::set<std::string> keys;
    std::string section;
    bool fonts = false;
    for (size_t start = 0, end; start < text.size(); start = end + 1)
    {
        end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        // The header before the first key names the format and the saved key's full path.
        if (line.compare(0, 6, "#time=") == 0 || line.empty() || (section.empty() && line[0] != '['))
            continue;
        size_t close = line[0] == '[' ? line.rfind(']') : std::string::npos;
        if (close != std::string::npos)
        {
            section = line.substr(0, close + 1);
            fonts = EndsWith(section, "Fonts]") || EndsWith(section, "FontSubstitutes]");
            if (!fonts)
                keys.insert(section);
            // A key with sub-keys and no values of its own is left out of the save: list it
            // as its sub-keys imply it. Names hold no backslash: a doubled one separates them.
            keys.insert("[]");
            for (size_t at = section.find("\\\\"); at != std::string::npos; at = section.find("\\\\", at + 2))
                keys.insert(section.substr(0, at) + "]");
        }
        else if (!fonts)
        {
            lines.push_back(section + "\t" + line);
        }
    }
    lines.insert(lines.end(), keys.begin(), keys.end());
    std::sort(lines.begin(), lines.end());
    return lines;
}
