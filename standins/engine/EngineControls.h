#pragma once
// The lock screen's window class and control ids, shared with the tests that drive it.

namespace tembrel::engine {

constexpr const wchar_t* kClassName = L"TembrelEngine";
constexpr int kMaxTiles = 24;

enum ControlId : int {
    // On every page.
    kClock = 100, // "15:42"
    kDate,        // the long date
    kHeading,     // what the page is for
    kMessage,     // what the last request answered, or what to type
    kBanner,      // why the last session ended, said once
    // The children's login.
    kPasswordLabel = 110,
    kChildPassword,
    kLogIn,
    kParents,
    // The master password gate before the parents' area.
    kMasterLabel = 120,
    kMaster,
    kOpenParents,
    kHint,
    kBack,
    // The parents' area.
    kChildrenLabel = 130,
    kChildren, // list of the children's names
    kAddChild,
    kChangeChild,
    kRemoveChild,
    kNewMasterLabel,
    kNewMaster,
    kNewMasterAgainLabel,
    kNewMasterAgain,
    kNewHintLabel,
    kNewHint,
    kSetMaster,
    kQuitNote,
    kQuit,
    kDone,
    // One child's settings.
    kNameLabel = 150,
    kName,
    kNeedsPassword, // check box
    kNewChildPassword,
    kSameEveryDay, // check box
    kMinutesHeader,
    kHoursHeader,
    kWeeklyLabel,
    kWeekly,
    kWeeklyNote,
    kSave,
    kCancel,
    kDayLabel = 170, // + day, Monday first
    kMinutes = 180,  // + day
    kOpen = 190,     // + day
    kClose = 200,    // + day
    kUntil = 210,    // + day: the "to" between the hours
    kTile = 300,     // + index, up to kMaxTiles
};

} // namespace tembrel::engine
