// mutex_holder NAME [--deny] [--ready FILE] [--stop FILE]
// Holds a named mutex, as the running product does, until the stop file appears or it is
// killed. With --deny the mutex carries an empty access list, so that another process's
// CreateMutexA of the name fails with access denied. Writes the ready file once it holds it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// Never outlive a test run that forgot to stop us.
const DWORD kLifetimeMs = 120000;
}

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: mutex_holder NAME [--deny] [--ready FILE] [--stop FILE]\n");
        return 2;
    }
    const char* name = argv[1];
    bool deny = false;
    std::string ready = "C:\\OrvalisTest\\mutex_holder.ready";
    std::string stop = "C:\\OrvalisTest\\mutex_holder.stop";
    for (int i = 2; i < argc; ++i)
    {
        if (!strcmp(argv[i], "--deny"))
            deny = true;
        else if (!strcmp(argv[i], "--ready") && i + 1 < argc)
            ready = argv[++i];
        else if (!strcmp(argv[i], "--stop") && i + 1 < argc)
            stop = argv[++i];
    }

    SECURITY_DESCRIPTOR sd;
    SECURITY_ATTRIBUTES sa = { sizeof(sa), &sd, FALSE };
    ACL emptyAcl;
    if (deny)
    {
        if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)
            || !InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION)
            || !SetSecurityDescriptorDacl(&sd, TRUE, &emptyAcl, FALSE))
        {
            fprintf(stderr, "mutex_holder: security descriptor failed (%lu)\n", GetLastError());
            return 1;
        }
    }
    HANDLE mutex = CreateMutexA(deny ? &sa : nullptr, TRUE, name);
    DWORD error = GetLastError();
    if (!mutex)
    {
        fprintf(stderr, "mutex_holder: CreateMutexA failed (%lu)\n", error);
        return 1;
    }

    HANDLE file = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
    {
        char text[64];
        int length = snprintf(text, sizeof(text), "%lu %lu\r\n", GetCurrentProcessId(), error);
        DWORD written = 0;
        WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(file);
    }
    printf("ready %lu\n", error);
    fflush(stdout);

    DWORD start = GetTickCount();
    while (GetFileAttributesA(stop.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < kLifetimeMs)
        WaitForSingleObject(GetCurrentProcess(), 20);
    DeleteFileA(stop.c_str());
    DeleteFileA(ready.c_str());
    CloseHandle(mutex);
    return 0;
}
