#pragma once

#include <windows.h>

#include <string>

// Runs tests/tools/mutex_holder.exe: another process that holds a named mutex, as the running
// product does. Stops it on destruction.
class CMutexHolder
{
public:
    CMutexHolder();
    ~CMutexHolder();
    CMutexHolder(const CMutexHolder&) = delete;
    CMutexHolder& operator=(const CMutexHolder&) = delete;

    // Starts the holder and waits until it holds the mutex. denyAccess gives the mutex an
    // empty access list, so that other processes cannot open or create it (error 5).
    // workingFolder, when given, is the holder's current directory while it runs, which
    // keeps that folder from being removed.
    bool Start(const char* name, bool denyAccess = false, const char* workingFolder = nullptr);
    bool Stop();  // asks it to release the mutex and waits for it to end

private:
    PROCESS_INFORMATION m_pi;
    std::string m_ready;
    std::string m_stop;
};
