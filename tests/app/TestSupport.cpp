#include "TestSupport.h"

#include "framework/MessageBox.h"

std::vector<MessageBoxRecorder::Box> MessageBoxRecorder::boxes;

namespace
{
int RecordBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    MessageBoxRecorder::boxes.push_back({ lpszText, lpszCaption, nType });
    return IDOK;
}

const char kMakerKey[] = "SoftWare\\Halvik";
const char kProductKey[] = "SoftWare\\Halvik\\Orvalis";
}

MessageBoxRecorder::MessageBoxRecorder()
{
    boxes.clear();
    AfxSetMessageBoxHook(&RecordBox);
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    AfxSetMessageBoxHook(NULL);
}

ProductKey::ProductKey() : m_hKey(NULL), m_bMakerCreated(false)
{
    HKEY hMaker = NULL;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMakerKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hMaker, &dwDisposition)
        == ERROR_SUCCESS)
    {
        m_bMakerCreated = dwDisposition == REG_CREATED_NEW_KEY;
        RegCloseKey(hMaker);
    }
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &m_hKey, NULL);
}

ProductKey::~ProductKey()
{
    if (m_hKey != NULL)
        RegCloseKey(m_hKey);
    RemoveProductKey();
    if (m_bMakerCreated)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMakerKey);
}

void ProductKey::SetString(const char* name, const std::string& value)
{
    RegSetValueExA(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void ProductKey::SetDword(const char* name, DWORD value)
{
    RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

bool RemoveProductKey()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    return !ProductKeyExists();
}

bool ProductKeyExists()
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

std::string WindowText(HWND hWnd)
{
    int n = GetWindowTextLengthA(hWnd);
    std::string text(n + 1, '\0');
    n = GetWindowTextA(hWnd, &text[0], n + 1);
    text.resize(n);
    return text;
}
