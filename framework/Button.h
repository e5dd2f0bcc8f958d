#pragma once

#include "Wnd.h"

// A push button or check box, bound by DDX_Control.
class CButton : public CWnd
{
};
