#include <windows.h>

// Stands in for the application's companion program, which the uninstaller starts with "-D"
// before removing the installation. The demo only needs a program that starts and ends.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
