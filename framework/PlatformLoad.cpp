#include "Platform.h"

#include "PlatformLookup.h"

using PlatformLookup::Lookup;

namespace
{
// Later headers' value; the product is compiled with those of NT 4.
const DWORD kLoadLibrarySearchSystem32 = 0x00000800;
}

// By the full path in the system folder (on 9x too), never by the search, which looks in the
// program's own folder first: a copy of the program in a folder that others can write to
// would load whatever lies there under the name. The altered search finds the library's own
// dependencies beside it, in the system folder, before anywhere else.
HMODULE PlatformLookup::LoadSystemLibrary(LPCSTR pszModule)
{
    char szPath[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(szPath, MAX_PATH);
    const int cchModule = lstrlenA(pszModule);
    if (n == 0 || n + 1 + cchModule >= MAX_PATH)
        return NULL;
    szPath[n] = '\\';
    lstrcpyA(szPath + n + 1, pszModule);
    return ::LoadLibraryExA(szPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Vista and 7 with their security update, 8 and later: every later load, the system's own on
// the program's behalf included, searches the system folder alone. XP SP1 and later without
// it: at least not the current folder. Before them nothing can be taken out.
void Platform::RestrictDllSearch()
{
    typedef BOOL(WINAPI * DefaultFn)(DWORD);
    typedef BOOL(WINAPI * DirectoryFn)(LPCWSTR);
    const DefaultFn pfnDefault = Lookup<DefaultFn>("kernel32.dll", "SetDefaultDllDirectories");
    if (pfnDefault != NULL && pfnDefault(kLoadLibrarySearchSystem32))
        return;
    const DirectoryFn pfnDirectory = Lookup<DirectoryFn>("kernel32.dll", "SetDllDirectoryW");
    if (pfnDirectory != NULL)
        pfnDirectory(L"");
}
