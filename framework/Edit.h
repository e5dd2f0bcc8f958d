#pragma once

#include "Wnd.h"

// An edit control, bound by DDX_Control.
class CEdit : public CWnd
{
};
