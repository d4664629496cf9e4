#pragma once
// The one check of the master password, shared by every door it opens: the gate's parents'
// buttons in Tembrel and the guard service's authorised ends. Read afresh at every check, so a
// password changed on the lock screen counts at once.
#include <string>

#include "platform/Files.h"
#include "platform/Regional.h"

namespace tembrel {

// True when `entry` is the stored master password (letter case aside, nothing trimmed). With no
// password stored (ps.var missing, hidden, emptied or damaged) it throws TembrelError: a child who
// hides the file must find every door shut, and the caller logs why. Read failures throw too.
bool MasterPasswordMatches(Files& files, const Regional& regional, const std::string& entry);

} // namespace tembrel
