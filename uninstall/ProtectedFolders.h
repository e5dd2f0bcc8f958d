#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The folders that must never go, each in the one form PathRules::ComparablePath gives and as
// it resolves on disk (a redirected Documents folder, a link): the Windows folder with
// everything inside it, every folder the shell or the registry names (shell and known folders,
// Program Files, other programs' homes), the profiles with the folders directly inside them,
// the current user's folders at their place in every profile, and every folder that holds one
// of these.
class CProtectedFolders
{
public:
    CProtectedFolders();

    // Shares one list among the checks made while it lives (one uninstall run).
    class CSharing
    {
    public:
        CSharing();
        ~CSharing();
        CSharing(const CSharing&) = delete;
        CSharing& operator=(const CSharing&) = delete;
    };

    // The list a check uses: the shared one, built at the first check, while a CSharing lives;
    // otherwise a new one.
    static std::shared_ptr<const CProtectedFolders> Get();

    // strPath: a plain full path.
    BOOL Covers(const std::wstring& strPath) const;

private:
    void AddShellFolders();
    void AddWindowsFolders();
    void AddProfiles();
    void AddUserFolders();
    void AddRegisteredPrograms();
    BOOL HoldsUserFolder(const std::wstring& strProfile, const std::wstring& strPath) const;
    static void Add(std::vector<std::wstring>& folders, const std::wstring& strFolder);

    std::vector<std::wstring> m_folders;        // refused with their ancestors
    std::vector<std::wstring> m_systemTrees;    // refused with their ancestors and all inside
    std::vector<std::wstring> m_openings;       // inside a system tree, what lies below these may go
    std::vector<std::wstring> m_profileRoots;   // each folder in one is a profile
    std::vector<std::wstring> m_profiles;
    std::vector<std::wstring> m_userFolders;    // relative to a profile, refused in each with their ancestors
};
