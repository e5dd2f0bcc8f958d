#include "ResourceModule.h"

namespace
{
// Process-wide: one program, one resource module.
HINSTANCE g_hResource;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_hResource != NULL ? g_hResource : GetModuleHandleA(NULL);
}

void AfxSetResourceHandle(HINSTANCE hInstance)
{
    g_hResource = hInstance;
}
