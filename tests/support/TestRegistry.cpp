#include "TestRegistry.h"

#include <algorithm>
#include <cstring>

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

std::string Hex(const std::string& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : data)
    {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void Flatten(const CRegistryBackup::Key& key, const std::string& path, std::vector<std::string>& out)
{
    out.push_back(path);
    for (const auto& v : key.values)
        out.push_back(path + "\t" + v.name + "\t" + std::to_string(v.type) + "\t" + Hex(v.data));
    for (const auto& sub : key.subKeys)
        Flatten(sub, path + "\\" + sub.name, out);
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

bool RegKeyExists(HKEY root, const std::string& path)
{
    CKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
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

std::vector<std::string> RegExport(HKEY root, const std::string& path)
{
    std::vector<std::string> lines;
    CKey key;
    CRegistryBackup::Key tree;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return lines;
    if (!Capture(key, tree))
        lines.push_back("<unreadable>");
    Flatten(tree, ".", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}
