#include "MutexHolder.h"

#include "UiDriver.h"

CMutexHolder::CMutexHolder()
    : m_pi(),
      m_ready("C:\\OrvalisTest\\mutex_holder.ready"),
      m_stop("C:\\OrvalisTest\\mutex_holder.stop")
{
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

bool CMutexHolder::Start(const char* name, bool denyAccess)
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
                        CREATE_NO_WINDOW, nullptr, CUiDriver::kStageFolder, &si, &m_pi))
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
