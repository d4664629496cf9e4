#pragma once
// The session tests' fixture: the fake session, a fake gate, and a few ways to drive and read it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "records/FileHandle.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/tests/FakeSession.h"

namespace tembrel {

class FakeGate : public ParentGate {
  public:
    bool open = false;
    std::vector<Purpose> shown;
    bool IsOpen() const override { return open; }
    void Show(Purpose purpose) override {
        open = true;
        shown.push_back(purpose);
    }
};

class SessionTest : public ::testing::Test, protected FakeSession<> {
  protected:
    static constexpr const char* kLaunch = "Process_Desktop(SecureDesktop,C:\\Tembrel\\engine.exe)";

    void Ticks(int count) {
        for (int i = 0; i < count; ++i) {
            session.Timer1Tick();
        }
    }
    std::optional<std::string> Get(const std::string& key, const std::string& name) {
        return ReadRecord(files, key, name);
    }
    int Launches() const {
        int count = 0;
        for (const std::string& call : lock.calls) {
            count += call == kLaunch ? 1 : 0;
        }
        return count;
    }
    // Makes every operation on `path` of kind `op` fail while `failing` is true.
    void FailOn(MemoryFiles::Op op, const std::string& path, const bool& failing) {
        files.beforeOp = [op, path, &failing](MemoryFiles::Op o, const std::string& p) {
            if (failing && o == op && p == path) {
                throw FileError("locked: " + p);
            }
        };
    }
};

} // namespace tembrel
