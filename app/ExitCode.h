#pragma once

// The process's exit codes, as Windows Installer gives them, which deployment tools read.
namespace ExitCode
{
const int kComplete = 0;           // all that was to go is gone, or nothing was installed
const int kCancelled = 1602;       // the user ended the program without running the removal
const int kIncomplete = 1603;      // something that was to go is still there, or was refused
const int kApplicationRunning = 1618;
const int kBadCommandLine = 1639;
}
