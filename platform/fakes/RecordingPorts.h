#pragma once
// Ports that remember every call, for tests. Each can be told to fail.
#include <string>
#include <vector>

#include "platform/DesktopLock.h"
#include "platform/Errors.h"
#include "platform/MessageBoxPort.h"
#include "platform/ProgramEnd.h"

namespace tembrel {

class RecordingDesktopLock : public DesktopLock {
  public:
    std::vector<std::string> calls; // e.g. "TaskManager_Enable_Disable(0)"
    bool fail = false;              // every call throws LibraryError, as with a missing library

    void TaskManager_Enable_Disable(std::int32_t flag) override {
        Record("TaskManager_Enable_Disable(" + std::to_string(flag) + ")");
    }
    void CtrlAltDel_Enable_Disable(std::int32_t flag) override {
        Record("CtrlAltDel_Enable_Disable(" + std::to_string(flag) + ")");
    }
    void Process_Desktop(const std::string& desktopName, const std::string& programPath) override {
        Record("Process_Desktop(" + desktopName + "," + programPath + ")");
    }

  private:
    void Record(std::string call) {
        if (fail) {
            throw LibraryError("WinLockDll.dll not found");
        }
        calls.push_back(std::move(call));
    }
};

class RecordingProgramEnd : public ProgramEnd {
  public:
    int ended = 0;
    void EndProgram() override { ++ended; }
};

class RecordingMessageBox : public MessageBoxPort {
  public:
    struct Shown {
        std::string text;
        std::string title;
        unsigned style;
    };
    std::vector<Shown> shown;
    void Show(const std::string& text, const std::string& title, unsigned style) override {
        shown.push_back({text, title, style});
    }
};

} // namespace tembrel
