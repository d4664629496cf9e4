#pragma once
// The session window's logic wired to in-memory files, a clock that stands still and recording
// ports: the ground every test of the session, the dialogs and the views stands on.
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"

namespace tembrel {

template <class FilesT = MemoryFiles> struct FakeSession {
    FilesT files;
    FakeClock clock;
    FakeRegional regional;
    RecordingDesktopLock lock;
    RecordingProgramEnd programEnd;
    DiagnosticLog log{files, clock};
    Horodesk session{SessionPorts{files, clock, regional, lock, programEnd, log}};
};

} // namespace tembrel
