#include "MutexHolder.h"

#include "UiDriver.h"

namespace
{
// Marker files of their own for every holder, so that several can run at once.
std::string MarkerBase()
{
    static int count = 0;
    return "C:\\OrvalisTest\\mutex_holder." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++count);
}
}

CMutexHolder::CMutexHolder() : m_pi()
{
    std::string base = MarkerBase();
    m_ready = base + ".ready";
    m_stop = base + ".stop";
}

CMutexHolder::~CMutexHolder()
{
    if (m_pi.hProcess && !Stop())
        TerminateProcess(m_pi.hProcess, 1);
    if (m_pi.hProcess)
    {
        WaitForSingleObject(m_pi.hProcess, CUiDriver::kTimeoutMs);
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
    }
    DeleteFileA(m_stop.c_str());
    DeleteFileA(m_ready.c_str());
}

bool CMutexHolder::Start(const char* name, bool denyAccess, const char* workingFolder)
{
    if (m_pi.hProcess)
        return false;
    DeleteFileA(m_stop.c_str());
    DeleteFileA(m_ready.c_str());
    std::string commandLine = std::string("mutex_holder.exe \"") + name + "\"" + (denyAccess ? " --deny" : "")
                              + " --ready \"" + m_ready + "\" --stop \"" + m_stop + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (!CreateProcessA("C:\\OrvalisTest\\mutex_holder.exe", &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, workingFolder ? workingFolder : CUiDriver::kStageFolder, &si, &m_pi))
    {
        m_pi = PROCESS_INFORMATION();
        return false;
    }
    HANDLE process = m_pi.hProcess;
    return CUiDriver::WaitUntil([&] {
        return GetFileAttributesA(m_ready.c_str()) != INVALID_FILE_ATTRIBUTES
            || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    }) && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

bool CMutexHolder::Stop()
{
    if (!m_pi.hProcess)
        return true;
    HANDLE file = CreateFileA(m_stop.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return WaitForSingleObject(m_pi.hProcess, CUiDriver::kTimeoutMs) == WAIT_OBJECT_0;
}
