#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"

// The program's copy, written by the program and held until it has been started, so that
// nobody can change or replace it in between: while it is written nobody may write to it or
// delete it. A file that this process holds with write access cannot be started, so it is
// reopened at once for reading alone, sharing reading alone, and it counts only if it still
// holds what was written. The same on 9x.
class CHeldCopy
{
public:
    // strCopy, a new file, with the content of the file strModule.
    BOOL Place(const std::wstring& strModule, const std::wstring& strCopy);
    const std::wstring& Path() const { return m_strPath; }
    // Lets go of the copy and deletes it.
    void Remove();

private:
    // Data
    std::wstring m_strPath;  // once created
    CKernelHandle m_hold;
};
