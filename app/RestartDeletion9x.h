#pragma once

#include <string>
#include <vector>

// Deletion at the next restart on Windows 9x, which has no MoveFileEx: WININIT.INI's
// [rename] section pairs each file and empty folder to be deleted with NUL.
class CRestartDeletion9x
{
public:
    // The paths in this order (a folder after what it holds); nothing when one has no short form.
    static void Register(const std::vector<std::wstring>& astrPaths);
};
