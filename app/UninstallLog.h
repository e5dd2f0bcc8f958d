#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"
#include "uninstall/RemovalListener.h"

// The administrators' record of a run: UTF-8 with a byte-order mark, CRLF, each line
// stamped with the local date and time. A log that cannot be written costs nothing but itself.
class CUninstallLog : public CRemovalListener
{
public:
    CUninstallLog();

    // Appends to strPath, or to a new numbered file in the temporary folder when it is empty.
    // The log's folder must exist.
    BOOL Open(const std::wstring& strPath);

    void Line(const std::wstring& strText);
    // The first line: version, program, command line, platform, user.
    void Start();
    void Finish(const std::wstring& strOutcome, int nExitCode);
    void Failure(const std::wstring& strWhat, DWORD dwError);

    // CRemovalListener
    void StepBegun(EStep step) override;
    void StepEnded(EStep step, EOutcome outcome) override;
    void Folder(const std::wstring& strPath, EOutcome outcome) override;
    void EntryFailed(const std::wstring& strPath, DWORD dwError) override;

private:
    BOOL OpenNumbered();

    // Data
    CKernelHandle m_file;
};
