#include "guard/ProcessSecurity.h"

namespace tembrel::guard {

namespace {

// SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
constexpr const char* kUserProcessRights = "0x101000";
// PROCESS_ALL_ACCESS, spelled out: generic rights in a process's list are not mapped when it is
// set on a running process.
constexpr const char* kFullProcessRights = "0x1fffff";

} // namespace

std::string TembrelProcessSecurity(const std::string& userSid) {
    // "P": protected, nothing inherited from the creator's defaults.
    return std::string("D:P(A;;") + kUserProcessRights + ";;;" + userSid + ")(A;;" +
           kFullProcessRights + ";;;SY)(A;;" + kFullProcessRights + ";;;BA)(A;;RC;;;OW)";
}

std::string GuardServiceSecurity() {
    // CC query config, LC query status, SW enumerate dependents, LO interrogate, RC read control;
    // RP start, WP stop, DT pause, CR user-defined controls, DC change config, SD delete, WD/WO
    // change the list and owner: SYSTEM and the Administrators only.
    return "D:(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)"
           "(A;;CCLCSWLORC;;;AU)";
}

std::string GuardPipeSecurity() {
    // FILE_GENERIC_READ | FILE_GENERIC_WRITE without FILE_CREATE_PIPE_INSTANCE (0x4, the
    // "append data" bit): a user may talk to the guard but not open a pipe of the same name.
    return "D:P(D;;GA;;;NU)(A;;0x12019b;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)";
}

std::string SettingsFileSecurity() {
    // FILE_GENERIC_READ (0x120089) for Users and Authenticated Users.
    return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x120089;;;BU)(A;;0x120089;;;AU)";
}

} // namespace tembrel::guard
