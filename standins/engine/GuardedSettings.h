#pragma once
// The lock screen's settings where a guard service may run: Tembrel ends for good only when the
// guard lets it (it restarts every end the parents did not authorise, so writing the quit signal
// behind its back would only bring Tembrel back); without a guard the shared folder is written as
// before.
#include <string>

#include "guard/client/GuardClient.h"
#include "platform/Errors.h"
#include "standins/engine/SettingsPort.h"

namespace tembrel {

class GuardedSettings : public SettingsPort {
  public:
    explicit GuardedSettings(SettingsPort& local) : local_(local) {}
    void Write(const std::string& master, const std::string& name,
               const RecordValues& values) override {
        local_.Write(master, name, values);
    }
    void Quit(const std::string& master) override {
        if (guard::AskGuardToEnd(master) == guard::EndAnswer::Refused) {
            throw TembrelError("Tembrel's guard service did not let Tembrel quit. Try again, or "
                               "ask an administrator.");
        }
        local_.Quit(master);
    }

  private:
    SettingsPort& local_;
};

} // namespace tembrel
