#pragma once
// The access lists the guard puts on what it protects, as security descriptor text (SDDL), so
// that they are written, and tested, in one place.
#include <string>

namespace tembrel::guard {

// For a Tembrel process: its user may wait for it and see that it runs, nothing more (no
// terminate, no suspend, no writing its memory, no changing this list); SYSTEM and the
// Administrators have every right; the owner, whose implicit right to change the list would undo
// the rest, is held to reading it (OWNER RIGHTS). `userSid` is the user's SID as text.
std::string TembrelProcessSecurity(const std::string& userSid);

// For the guard service: SYSTEM and the Administrators may do everything with it (stop it, pause
// it, change or delete it); everyone else who is signed in may only see it and its state.
std::string GuardServiceSecurity();

// For the guard's pipe: every signed-in user may send a request; only SYSTEM and the
// Administrators may do more with it. No network user (the pipe refuses remote clients too).
std::string GuardPipeSecurity();

// For a parents' settings file: owned by the Administrators; SYSTEM and the Administrators have
// every right; every signed-in account may read it and nothing more (no write, no rename, no
// delete, no change of this list). Protected: nothing of the folder's list is inherited.
std::string SettingsFileSecurity();

} // namespace tembrel::guard
