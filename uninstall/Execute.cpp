#include "PropPage1.h"

void CPropPage1::OnExecute()
{
}
