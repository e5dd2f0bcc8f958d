#include "StringArray.h"

int CStringArray::Add(const CString& str)
{
    m_items.push_back(str);
    return GetSize() - 1;
}
