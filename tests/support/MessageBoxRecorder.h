#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Records the framework's message boxes instead of showing them; answers IDOK.
class MessageBoxRecorder
{
public:
    struct Box
    {
        std::string text;
        std::string caption;
        UINT type;
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();

    static std::vector<Box> boxes;
};
