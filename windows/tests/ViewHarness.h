#pragma once
// The program's parts, built as Tembrel.exe builds them, over fake ports: an in-memory program
// folder, a clock that stands still (Monday 8 December 2025, 10:00), recording desktop lock,
// message box and program end. The notification area is the real one of Wine's shell. Used by the
// view tests and by the screenshot program.
#include "platform/fakes/FakeBackgroundWork.h"
#include "platform/fakes/RecordingPorts.h"
#include "platform/fakes/SoftCrypto.h"
#include "session/tests/FakeSession.h"
#include "windows/ProgramParts.h"

namespace tembrel::win {

// The fakes, built before the parts that are given them.
struct ViewPorts : FakePorts<> {
    RecordingMessageBox messageBox;
    SoftCrypto crypto;
    // Password checks answer at once.
    FakeBackgroundWork work;
};

struct ViewHarness : ViewPorts, ProgramParts {
    ViewHarness()
        : ProgramParts({files, clock, regional, lock, programEnd, log}, messageBox, crypto, work,
                       L"help@tembrel.example.com") {}
};

} // namespace tembrel::win
