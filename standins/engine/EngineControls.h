#pragma once
// The lock screen's window class and control ids, shared with the tests that drive it.

namespace tembrel::engine {

constexpr const wchar_t* kClassName = L"TembrelEngine";

enum ControlId : int {
    kChildren = 101, // list of the children's names
    kChildPassword,
    kLogIn,
    kMessage, // what the last request answered
    kMaster = 110,
    kHint,
    kQuit,
    kNewMaster,
    kNewHint,
    kSetMaster,
    kName = 120,
    kDaily,
    kOpen,
    kClose,
    kNewChildPassword,
    kAddChild,
};

} // namespace tembrel::engine
