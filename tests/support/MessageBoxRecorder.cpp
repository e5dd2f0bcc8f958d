#include "MessageBoxRecorder.h"

#include "framework/MessageBox.h"

std::vector<MessageBoxRecorder::Box> MessageBoxRecorder::boxes;

namespace
{
int RecordBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    MessageBoxRecorder::boxes.push_back({ lpszText, lpszCaption, nType });
    return IDOK;
}
}

MessageBoxRecorder::MessageBoxRecorder()
{
    boxes.clear();
    AfxSetMessageBoxHook(&RecordBox);
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    AfxSetMessageBoxHook(NULL);
}

std::string WindowText(HWND hWnd)
{
    int n = GetWindowTextLengthA(hWnd);
    std::string text(n + 1, '\0');
    n = GetWindowTextA(hWnd, &text[0], n + 1);
    text.resize(n);
    return text;
}
