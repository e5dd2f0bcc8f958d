#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"

// A new folder that programs with fewer rights than this one (the user's unelevated ones,
// when it runs elevated) can neither add to nor change, held from its creation on: made
// together with its handle and kept open without delete sharing, so that nobody can rename
// it or put another folder in its place while it is held. On 9x, which has neither access
// rights nor folder handles, a plain new folder.
class CPrivateFolder
{
public:
    CPrivateFolder();

    // A folder of a new name, pszPrefix and a number, in strParent (a full path); an existing
    // one, whoever made it, is never used.
    BOOL Make(const std::wstring& strParent, LPCSTR pszPrefix);
    const std::wstring& Path() const { return m_strPath; }
    // Lets go of the folder, which stays.
    void Release();
    // Lets go of the folder and removes it (it must be empty by then).
    void Remove();

private:
    BOOL Create(const std::wstring& strPath, PSECURITY_DESCRIPTOR pSd);

    // Data
    BOOL m_bNT;
    std::wstring m_strPath;  // once made
    CKernelHandle m_hold;
};
