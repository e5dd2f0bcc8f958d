#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "HeldCopy.h"
#include "framework/KernelHandle.h"
#include "PrivateFolder.h"

// A running program's own file cannot be deleted, so a program that lies in a folder the
// uninstall removes would leave itself and all that the removal meets after it. Such a
// program hands over to a copy of itself in a new private folder below the user's
// temporary folder: it places the copy, starts it with a handle to itself, the user's
// switches and a pipe for the answer, moves its own file aside into that folder (NT), has
// copy, folder and file deleted at the next restart, and waits, without a window, for the
// copy's exit code, which it ends with: a deployment tool waiting for the program it started
// gets the final answer. The copy runs as the program always does, hands back its exit code
// and then deletes the original's file, or puts it back where a retry will look for it. This program runs elevated and the user's
// unelevated programs can write into the temporary folder: folder and copy are held from
// their creation until the copy has started, and the copy starts only if it is the file
// written here.
class CCommandLine;
class CUninstallLog;

class CHandOver
{
public:
    explicit CHandOver(const CCommandLine& commandLine);

    // TRUE when this process has started its copy and is to wait for it in WaitForCopy
    // without showing anything. strArguments: the user's switches, for the copy.
    BOOL Run(const std::wstring& strArguments);
    // The copy's exit code: the one it hands back, or, should it end without, its own.
    int WaitForCopy();

    // The copy's side: hands the run's exit code to the waiting original; when the run was
    // complete, deletes the original's file once the original has ended (what cannot go is
    // deleted at the next restart), else puts it back for the retry the registration offers.
    void Finish(int nExitCode, BOOL bComplete, CUninstallLog& log);

private:
    void WaitForOriginal();
    BOOL MoveAside();
    static BOOL MoveBack(const std::wstring& strFrom, const std::wstring& strTo);
    BOOL LiesInRemovedFolder(const std::wstring& strPath) const;
    BOOL MakePrivateFolder();
    BOOL PlaceCopy();
    BOOL StartCopy(const std::wstring& strArguments);
    void DeleteAtRestart() const;
    void Abandon();

    // Data
    BOOL m_bNT;                              // 9x has only stubs of the wide functions
    std::wstring m_strModule;                // full long path of the running program
    std::vector<std::wstring> m_astrRemoved;  // installation and album folder, full and long
    CPrivateFolder m_folder;
    CHeldCopy m_copy;                        // in the folder
    CKernelHandle m_hCopy;                   // the copy's process, once started
    CKernelHandle m_hAnswer;                 // the reading end of the copy's answer
    // The copy's side
    CKernelHandle m_hOriginal;
    CKernelHandle m_hAnswerTo;
    std::wstring m_strMoved;                 // this program's file, moved into the folder
    std::wstring m_strOriginalFile;          // the copy's side: the original's file, moved
    std::wstring m_strOriginalHome;          // where it was
};
