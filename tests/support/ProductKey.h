#pragma once

#include <windows.h>

#include <string>

// Registry paths as the tests see them (same view as the program).
extern const char* const kMakerKey;    // Software\Halvik
extern const char* const kProductKey;  // Software\Halvik\Orvalis

// The product key HKLM\Software\Halvik\Orvalis, made by the test and removed afterwards
// together with the maker key when that was made too.
class ProductKey
{
public:
    ProductKey();
    ~ProductKey();
    ProductKey(const ProductKey&) = delete;
    ProductKey& operator=(const ProductKey&) = delete;

    void SetString(const char* name, const std::string& value);
    void SetDword(const char* name, DWORD value);

private:
    bool m_bMakerCreated;
};

// Deletes the product key if a test left it or a previous run did; true when it is absent.
bool RemoveProductKey();
bool ProductKeyExists();
