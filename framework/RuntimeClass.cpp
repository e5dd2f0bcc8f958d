#include "RuntimeClass.h"

namespace
{
CRuntimeClass*& FirstClass()
{
    static CRuntimeClass* pFirst;
    return pFirst;
}
}

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass)
{
    pNewClass->m_pNextClass = FirstClass();
    FirstClass() = pNewClass;
}

const CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName)
{
    for (const CRuntimeClass* pClass = FirstClass(); pClass != NULL; pClass = pClass->m_pNextClass)
        if (lstrcmpA(pClass->m_lpszClassName, lpszClassName) == 0)
            return pClass;
    return NULL;
}
