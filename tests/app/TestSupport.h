#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Records the framework's message boxes instead of showing them; answers IDOK.
class MessageBoxRecorder
{
public:
    struct Box
    {
        std::string text;
        std::string caption;
        UINT type;
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();

    static std::vector<Box> boxes;
};

// The product key HKLM\SoftWare\Halvik\Orvalis, made by the test and removed afterwards
// together with the maker key when that was made too.
class ProductKey
{
public:
    ProductKey();
    ~ProductKey();

    void SetString(const char* name, const std::string& value);
    void SetDword(const char* name, DWORD value);

private:
    HKEY m_hKey;
    bool m_bMakerCreated;
};

// Deletes the product key if a test left it or a previous run did; true when it is absent.
bool RemoveProductKey();
bool ProductKeyExists();

// Text of a window in the process's code page.
std::string WindowText(HWND hWnd);
