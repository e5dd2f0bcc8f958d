#pragma once

#include <windows.h>

class CException;

// Runs one job on a thread of its own while the calling window thread goes on answering its
// messages. As under a modal box, what the user types or clicks meanwhile is dropped, so that
// nothing queued during the job acts after it.
class CWorkerThread
{
public:
    CWorkerThread();
    virtual ~CWorkerThread();

    // Runs Work on a new thread and OnTick here about every nTickMs until Work returns; Work
    // runs here when no thread can be made.
    void Run(DWORD nTickMs);
    // Answers messages for nMs more, dropping input as during Run.
    void Linger(DWORD nMs);
    // The framework exception that ended Work (a generic file error for any other), now the
    // caller's to report and delete; NULL when Work returned.
    CException* TakeException();

protected:
    // On the worker thread.
    virtual void Work() = 0;
    // On the calling thread.
    virtual void OnTick() {}

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void RunWork();
    // Dispatches until hDone is signalled (NULL: until dwUntil), calling OnTick when bTick.
    void Pump(HANDLE hDone, DWORD dwUntil, DWORD nTickMs, BOOL bTick);
    void DispatchPending();
    static void DropInput();

    // Data
    CException* m_pException;
    BOOL m_bFailed;      // Work ended with an exception that is not the framework's
    BOOL m_bQuit;        // a WM_QUIT came meanwhile; it is posted again at the end
    int m_nQuitCode;

    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
};
