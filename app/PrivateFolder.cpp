#include "PrivateFolder.h"

#include <stddef.h>
#include <string.h>

#include <vector>

#include "framework/Platform.h"
#include "framework/Wide.h"
#include "uninstall/PathRules.h"

namespace
{
const DWORD kFolderAttempts = 100;
const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);

// A SID with up to two sub-authorities, laid out as the platform's SID.
struct SWellKnownSid
{
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[2];
};

const SWellKnownSid kAdministrators = { SID_REVISION, 2, SECURITY_NT_AUTHORITY,
                                        { SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS } };
const SWellKnownSid kSystem = { SID_REVISION, 1, SECURITY_NT_AUTHORITY, { SECURITY_LOCAL_SYSTEM_RID, 0 } };

DWORD SidLength(PSID pSid)
{
    return offsetof(SID, SubAuthority) + sizeof(DWORD) * static_cast<const SID*>(pSid)->SubAuthorityCount;
}

PSID Sid(const SWellKnownSid& sid)
{
    return const_cast<SWellKnownSid*>(&sid);
}

std::vector<BYTE> TokenInformation(HANDLE hToken, TOKEN_INFORMATION_CLASS infoClass)
{
    DWORD cb = 0;
    Platform::GetTokenInformation(hToken, infoClass, NULL, 0, &cb);
    std::vector<BYTE> info(cb);
    if (cb == 0 || !Platform::GetTokenInformation(hToken, infoClass, &info[0], cb, &cb))
        info.clear();
    return info;
}

// Elevated, as far as access goes: the Administrators group counts for the token, which an
// administrator's unelevated programs (a filtered token, where it only denies) lack.
BOOL AdministratorsEnabled(const std::vector<BYTE>& groups)
{
    if (groups.size() < sizeof(TOKEN_GROUPS))
        return FALSE;
    const TOKEN_GROUPS* pGroups = reinterpret_cast<const TOKEN_GROUPS*>(&groups[0]);
    const DWORD cbAdministrators = SidLength(Sid(kAdministrators));
    for (DWORD i = 0; i < pGroups->GroupCount; ++i)
    {
        const SID_AND_ATTRIBUTES& group = pGroups->Groups[i];
        if ((group.Attributes & (SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY)) == SE_GROUP_ENABLED
            && SidLength(group.Sid) == cbAdministrators && memcmp(group.Sid, &kAdministrators, cbAdministrators) == 0)
            return TRUE;
    }
    return FALSE;
}

// Elevated: the administrators and the system alone, and the administrators as the owner,
// since the user's own SID, in the list or as the owner (who may rewrite the list), would let
// the same user's unelevated programs in. Otherwise the user too. The entries pass to the
// files made in the folder, and the list is shielded from the temporary folder's inheritable
// ones. NT 4 has neither inheritance flags nor protection, and needs neither: it merges
// nothing into a list given at creation, and a file made in the folder gets the user's
// default list.
struct SPrivateAccess
{
    std::vector<BYTE> user;  // TOKEN_USER
    std::vector<BYTE> acl;
    SECURITY_DESCRIPTOR sd;
};

BOOL BuildPrivateAccess(SPrivateAccess& access)
{
    HANDLE hToken = NULL;
    if (!Platform::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return FALSE;
    CKernelHandle token(hToken);
    const BOOL bElevated = AdministratorsEnabled(TokenInformation(hToken, TokenGroups));
    std::vector<PSID> apSid = { Sid(kAdministrators), Sid(kSystem) };
    if (!bElevated)
    {
        access.user = TokenInformation(hToken, TokenUser);
        if (access.user.size() < sizeof(TOKEN_USER))
            return FALSE;
        apSid.push_back(reinterpret_cast<TOKEN_USER*>(&access.user[0])->User.Sid);
    }

    DWORD cbAcl = sizeof(ACL);
    for (PSID pSid : apSid)
        cbAcl += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SidLength(pSid);
    access.acl.resize(cbAcl);
    PACL pAcl = reinterpret_cast<PACL>(&access.acl[0]);
    if (!Platform::InitializeAcl(pAcl, cbAcl, ACL_REVISION))
        return FALSE;
    for (PSID pSid : apSid)
    {
        if (!Platform::AddAccessAllowedAceEx(pAcl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                             FILE_ALL_ACCESS, pSid))
            return FALSE;
    }
    return Platform::InitializeSecurityDescriptor(&access.sd, SECURITY_DESCRIPTOR_REVISION)
        && Platform::SetSecurityDescriptorDacl(&access.sd, TRUE, pAcl, FALSE)
        && Platform::SetSecurityDescriptorControl(&access.sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED)
        && (!bElevated || Platform::SetSecurityDescriptorOwner(&access.sd, Sid(kAdministrators), FALSE));
}

std::wstring FromAnsi(LPCSTR psz)
{
    std::wstring str;
    return Wide::FromAnsi(psz, str) ? str : std::wstring();
}

// The hold lists the folder, or its sharing would not count, and shares all but deletion:
// the folder can then be neither renamed nor removed.
const ACCESS_MASK kHoldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE;
const ULONG kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
}

CPrivateFolder::CPrivateFolder() : m_bNT(!Platform::IsWin9x())
{
}

BOOL CPrivateFolder::Make(const std::wstring& strParent, LPCSTR pszPrefix)
{
    SPrivateAccess access;
    if (m_bNT && !BuildPrivateAccess(access))
        return FALSE;
    const DWORD dwSeed = ::GetTickCount();
    for (DWORD i = 0; i < kFolderAttempts; ++i)
    {
        char szName[64];
        wsprintfA(szName, "%s.%lX.%lX", pszPrefix, ::GetCurrentProcessId(), dwSeed + i);
        const std::wstring strPath = PathRules::JoinPath(strParent, FromAnsi(szName));
        if (Create(strPath, &access.sd))
        {
            m_strPath = strPath;
            return TRUE;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    return FALSE;
}

// On NT the folder comes with its handle, so nobody has it before the hold; where the NT
// call is missing, it is opened right after its creation.
BOOL CPrivateFolder::Create(const std::wstring& strPath, PSECURITY_DESCRIPTOR pSd)
{
    if (!m_bNT)
        return ::CreateDirectoryA(Wide::ToAnsi(strPath.c_str()), NULL);
    const std::wstring strExtended = Wide::ExtendedPath(strPath);
    std::wstring strName = L"\\??\\" + strExtended.substr(4);
    UNICODE_STRING name;
    name.Buffer = &strName[0];
    name.Length = static_cast<USHORT>(strName.size() * sizeof(WCHAR));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, NULL, pSd);
    IO_STATUS_BLOCK io;
    HANDLE h = NULL;
    NTSTATUS status = Platform::NtCreateFile(&h, kHoldAccess, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
                                             kHoldShare, FILE_CREATE,
                                             FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0);
    if (status >= 0)
    {
        m_hold = CKernelHandle(h);
        return TRUE;
    }
    if (status != kStatusNotImplemented)
    {
        ::SetLastError(Platform::RtlNtStatusToDosError(status));
        return FALSE;
    }
    SECURITY_ATTRIBUTES sa = { sizeof(sa), pSd, FALSE };
    if (!::CreateDirectoryW(strExtended.c_str(), &sa))
        return FALSE;
    m_hold = CKernelHandle(::CreateFileW(strExtended.c_str(), kHoldAccess, kHoldShare, NULL, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, NULL));
    if (m_hold.IsValid())
        return TRUE;
    const DWORD dwError = ::GetLastError();
    ::RemoveDirectoryW(strExtended.c_str());
    // Not a name taken: another attempt would not do better.
    ::SetLastError(dwError == ERROR_ALREADY_EXISTS ? ERROR_ACCESS_DENIED : dwError);
    return FALSE;
}

void CPrivateFolder::Release()
{
    m_hold.Close();
}

void CPrivateFolder::Remove()
{
    m_hold.Close();
    if (m_strPath.empty())
        return;
    if (m_bNT)
        ::RemoveDirectoryW(Wide::ExtendedPath(m_strPath).c_str());
    else
        ::RemoveDirectoryA(Wide::ToAnsi(m_strPath.c_str()));
    m_strPath.clear();
}
