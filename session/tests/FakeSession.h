#pragma once
// The session window's logic wired to in-memory files, a clock that stands still and recording
// ports: the ground every test of the session, the dialogs and the views stands on. The clock
// starts on Monday 8 December 2025 at 10:00 (week 50; the short date reads "12/8/2025"). The view
// tests build the logic themselves, as the program does, over the ports alone.
#include <functional>
#include <string>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/SessionEvents.h"

namespace tembrel {

template <class FilesT = MemoryFiles> struct FakePorts {
    FilesT files;
    FakeClock clock;
    FakeRegional regional;
    RecordingDesktopLock lock;
    RecordingProgramEnd programEnd;
    DiagnosticLog log{files, clock};

    FakePorts() {
        clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
        files.clock = &clock; // files are stamped with the time they were written
    }

    // What the lock screen leaves after a child logged in.
    void HandOver(const std::string& allow, const std::string& user = "Ann") {
        files[contract::kHandOverFile] = RecordPattern(contract::kAllowanceKey) + allow + "\r\n" +
                                         RecordPattern(contract::kUserKey) + user + "\r\n";
    }
    // The master password as the lock screen stores it: every code one lower.
    void StorePassword(const std::string& password, const std::string& hint = "") {
        files[contract::kPasswordFile] = RecordPattern(contract::kMasterPasswordKey) +
                                         ShiftText(password, 0) + "\r\n" +
                                         RecordPattern(contract::kMasterHintKey) + hint + "\r\n";
    }
    std::string LogText() const {
        const auto it = files.files.find(files.folder + "\\Tembrel.log");
        return it == files.files.end() ? std::string() : it->second;
    }
};

// The session logic with what it tells handed to functions a test sets.
class WatchedSession : public Horodesk, private SessionEvents {
  public:
    explicit WatchedSession(SessionPorts ports) : Horodesk(ports) { SetEvents(this); }
    std::function<void()> onChange;
    std::function<void(const ClosedSession&)> onClosed;

  private:
    void Changed() override {
        if (onChange) {
            onChange();
        }
    }
    void Closed(const ClosedSession& closed) override {
        if (onClosed) {
            onClosed(closed);
        }
    }
};

template <class FilesT = MemoryFiles> struct FakeSession : FakePorts<FilesT> {
    WatchedSession session{SessionPorts{this->files, this->clock, this->regional, this->lock,
                                        this->programEnd, this->log}};
};

} // namespace tembrel
