#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Starts the program inside the test prefix and works its windows from outside, the way a
// user would: by caption, resource id, click and key. Texts are code-page-932 bytes.
// Every wait is a poll with a time limit; a program it started is killed on destruction if it
// still runs.
class CUiDriver
{
public:
    static const char* const kProgram;      // C:\OrvalisTest\OrvalisUninstaller.exe
    static const char* const kStageFolder;  // C:\OrvalisTest
    static const char* const kMainCaption;
    static const DWORD kTimeoutMs = 10000;

    CUiDriver();
    ~CUiDriver();
    CUiDriver(const CUiDriver&) = delete;
    CUiDriver& operator=(const CUiDriver&) = delete;

    // Process
    // With handOver the program is to hand over to a copy of itself: once the started
    // process has ended, the window is awaited in a process whose image lies in the
    // temporary folder, and the driver works that process from then on; where the hand-over
    // is abandoned, the window of the started process counts.
    bool Start(const char* program = kProgram, const char* workingFolder = kStageFolder, bool handOver = false,
               const std::string& arguments = std::string());
    // Starts the program without waiting for any window (arguments follow its quoted name).
    bool Launch(const std::string& arguments, const char* program = kProgram, const char* workingFolder = kStageFolder);
    // Waits for the launched program to end; sawWindow tells whether any visible window of it
    // came up meanwhile. False when it is still running after the time limit.
    bool WaitForExitWatching(DWORD timeoutMs, DWORD& exitCode, bool& sawWindow);
    // Works a program started by someone else: waits for its main window in any process.
    // The program is left running on destruction.
    bool Attach(DWORD timeoutMs = kTimeoutMs);
    std::string ImagePath() const;  // of the process worked
    bool WaitForExit(DWORD timeoutMs = kTimeoutMs, DWORD* exitCode = nullptr);
    // After a hand-over: the process that was started, which waits for its copy's answer.
    bool WaitForStarter(DWORD timeoutMs, DWORD* exitCode);
    bool IsRunning() const;
    void Kill();
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    DWORD ThreadId() const { return m_pi.dwThreadId; }
    HANDLE Process() const { return m_pi.hProcess; }
    HWND MainWindow() const { return m_hMain; }
    double StartMs() const { return m_startMs; }  // from CreateProcess to the main window

    // Windows of the program
    HWND FindTopLevel(const std::function<bool(HWND)>& match) const;
    HWND WaitForTopLevel(const std::string& caption, DWORD timeoutMs = kTimeoutMs) const;
    // The one visible control with this id below parent (all descendants); a hidden one
    // only when no visible one exists. Defaults to the main window.
    HWND Control(int id, HWND parent = nullptr) const;
    std::vector<HWND> Descendants(HWND parent, const char* className = nullptr) const;
    HWND FocusedWindow() const;  // the keyboard focus of the program's thread
    HWND ActiveWindow() const;

    // Message boxes: a #32770 top-level window of the program with the text static (0xFFFF)
    // and the icon static of the system's message box (which the About box lacks).
    HWND WaitForMessageBox(DWORD timeoutMs = kTimeoutMs) const;
    HWND CurrentMessageBox() const;
    static std::string MessageBoxText(HWND box);
    // Presses a button of the box and waits until the box is gone.
    bool Answer(HWND box, int buttonId, DWORD timeoutMs = kTimeoutMs) const;

    // User actions; each refuses what a user could not do.
    bool Click(HWND button) const;   // posted BM_CLICK; false if hidden or disabled
    bool Click(int id) const;
    bool PressKey(UINT vk) const;    // posted key down and up to the focused control
    bool TypeKey(UINT vk) const;     // through SendInput, as the keyboard would
    bool Activate() const;           // brings the program's active window to the foreground
    bool SysCommand(WPARAM command) const;  // posted WM_SYSCOMMAND to the main window
    bool Focus(HWND control) const;  // as a user's click or Tab would, without pressing it

    // Reading windows
    static std::string Text(HWND wnd);   // WM_GETTEXT through SendMessageTimeout
    static std::string ClassName(HWND wnd);
    static LONG_PTR Style(HWND wnd);
    static LONG_PTR ExStyle(HWND wnd);
    static int CheckState(HWND button);  // BM_GETCHECK, or -1 when the window does not answer
    static RECT RectIn(HWND wnd, HWND reference);  // window rectangle in reference's client coordinates
    static RECT ClientRect(HWND wnd);
    // Item texts of a tab control in another process: the item record and its text buffer
    // must live in that process, so they are placed there and read back.
    std::vector<std::string> TabTexts(HWND tab) const;

    // Waiting
    static bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);

private:
    HWND FindCopyWindow() const;

    PROCESS_INFORMATION m_pi;
    HWND m_hMain;
    double m_startMs;
    bool m_bOwned;  // started here, so ended here
    HANDLE m_hStarter;  // the started process, once its copy is worked
};

// Milliseconds from a monotonic high-resolution clock.
double NowMs();
