#pragma once

#include <windows.h>

class CCmdTarget;

// A class that can be created by its name.
struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    CCmdTarget* (*m_pfnCreateObject)();
    CRuntimeClass* m_pNextClass;

    CCmdTarget* CreateObject() const { return m_pfnCreateObject(); }
    // NULL when no class of that name was registered.
    static const CRuntimeClass* FromName(LPCSTR lpszClassName);
};

// Registers a class at static initialisation.
struct AFX_CLASSINIT
{
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

#define DECLARE_DYNCREATE(class_name) \
public: \
    static CRuntimeClass class##class_name; \
    static CCmdTarget* CreateObject();

#define IMPLEMENT_DYNCREATE(class_name) \
    CCmdTarget* class_name::CreateObject() { return new class_name; } \
    CRuntimeClass class_name::class##class_name = { #class_name, &class_name::CreateObject, NULL }; \
    static const AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);
