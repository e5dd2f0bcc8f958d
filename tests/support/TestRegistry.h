#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Registry helpers for the tests, which run in the same view as the program (both are built
// for the same architecture, so HKLM\Software means the same key to both).

// Saves a key with all its values and sub-keys (or its absence) and puts it back exactly so
// on destruction, removing whatever the test or the program left there.
class CRegistryBackup
{
public:
    CRegistryBackup(HKEY root, const std::string& path);
    ~CRegistryBackup();
    CRegistryBackup(const CRegistryBackup&) = delete;
    CRegistryBackup& operator=(const CRegistryBackup&) = delete;

    bool Restore() const;

    struct Value { std::string name; DWORD type; std::string data; };
    struct Key { std::string name; std::vector<Value> values; std::vector<Key> subKeys; };

private:
    HKEY m_root;
    std::string m_path;
    bool m_existed;
    Key m_saved;
};

bool RegKeyExists(HKEY root, const std::string& path, REGSAM view = 0);  // view: KEY_WOW64_64KEY, say
bool RegCreatePath(HKEY root, const std::string& path);  // with any missing parents
bool RegDeleteTreeAll(HKEY root, const std::string& path);  // the key itself too; true if absent after
bool RegSetString(HKEY root, const std::string& path, const char* name, const std::string& value);
bool RegSetDword(HKEY root, const std::string& path, const char* name, DWORD value);
bool RegSetRaw(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data);
// For texts that code page 932 cannot hold.
bool RegSetWideString(HKEY root, const std::string& path, const char* name, const std::wstring& value);
// A registry link at path leading to target, a kernel name ("\Registry\Machine\Software\...").
bool RegCreateLink(HKEY root, const std::string& path, const std::wstring& target);
// Deletes the link at path as the link (the other helpers would reach its target); true if
// there is none left.
bool RegDeleteLink(HKEY root, const std::string& path);

// A subtree as sorted one-line records, for "nothing else changed" comparisons: the key as
// the registry saves it, one line per key and per value (with its key), without the
// modification times that the removal of a sub-key changes on its parent. A save is one
// request instead of one per key and value; it leaves out volatile keys, among them Wine's own
// "Temporary System Parameters" that a first start under win98 adds. Wine's font settings are
// left out too: Wine rewrites them for the code page of each process that starts (a program
// that names none in a manifest, under an English locale). view may be KEY_WOW64_64KEY: under
// WoW64 the 64-bit view of Software holds the 32-bit one as its Wow6432Node. Empty when the key
// does not exist, "<not saved>" when it cannot be saved.
std::vector<std::string> RegExport(HKEY root, const std::string& path, REGSAM view = 0);
