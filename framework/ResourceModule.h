#pragma once

#include <windows.h>

// The module that the program's strings, dialogs and icons are loaded from: the one the
// application registers at start-up, else the executable (unit tests, before start-up).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstance);
