#pragma once
// The program icon (also the executable's own icon) and the bonus dialog's icon, 32 x 32 in
// 24-bit colour. Taken from the executable's resources; drawn afresh where there are none.
#include "windows/Gdi.h"

namespace tembrel::win {

Icon LoadProgramIcon();
Icon LoadBonusIcon();

} // namespace tembrel::win
