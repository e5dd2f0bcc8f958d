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
