#pragma once

#include <vector>

#include "String.h"

// Growable array of strings, indexable from 0.
class CStringArray
{
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    const CString& GetAt(int nIndex) const { return m_items[nIndex]; }
    const CString& operator[](int nIndex) const { return m_items[nIndex]; }
    int Add(const CString& str);

private:
    std::vector<CString> m_items;
};
