#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The switches administrators and deployment tools give. Without any, the program is the
// interactive one it always was.
class CCommandLine
{
public:
    enum EAlbum { kAlbumDefault, kAlbumDelete, kAlbumKeep };

    CCommandLine();

    // The process's own command line.
    void Parse();
    // The arguments after the program's name, as a command line spells them.
    void Parse(const std::wstring& strArguments);

    // FALSE for anything the program does not know; nothing is then to be removed.
    BOOL IsValid() const { return m_bValid; }
    BOOL WantsUsage() const { return m_bUsage; }
    // No window and no box; with progress, the progress window only.
    BOOL IsUnattended() const { return m_bUnattended; }
    BOOL ShowsProgress() const { return m_bProgress; }
    // The album goes: unattended only when asked, with the window as the box is ticked.
    BOOL DeletesAlbum() const { return m_bUnattended ? m_album == kAlbumDelete : m_album != kAlbumKeep; }
    BOOL WantsLog() const { return m_bLog; }
    // Empty for the default log file.
    const std::wstring& LogPath() const { return m_strLogPath; }
    // The hand-over's own switches: the original's process handle and the pipe its answer
    // goes to (0 when absent), the original's own file where it was moved aside, and where
    // it came from.
    ULONG_PTR HandOverFrom() const { return m_nHandOverFrom; }
    ULONG_PTR HandOverTo() const { return m_nHandOverTo; }
    const std::wstring& OriginalFile() const { return m_strOriginalFile; }
    const std::wstring& OriginalHome() const { return m_strOriginalHome; }
    // The user's switches again, each after a blank, for a copy that is to run as this
    // program was asked to.
    const std::wstring& Arguments() const { return m_strArguments; }

private:
    static std::vector<std::wstring> Split(const std::wstring& strArguments);
    static std::wstring AfterProgramName(const std::wstring& strCommandLine);
    BOOL Take(const std::wstring& strArgument);

    // Data
    BOOL m_bValid;
    BOOL m_bUsage;
    BOOL m_bUnattended;
    BOOL m_bProgress;
    EAlbum m_album;
    BOOL m_bLog;
    std::wstring m_strLogPath;
    ULONG_PTR m_nHandOverFrom;
    ULONG_PTR m_nHandOverTo;
    std::wstring m_strOriginalFile;
    std::wstring m_strOriginalHome;
    std::wstring m_strArguments;  // but the hand-over's own
};
