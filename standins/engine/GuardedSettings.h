#pragma once
// The lock screen's settings where a guard service may run. Where it runs, the parents' settings
// files are its own: every write goes to it with the master password the parents opened their
// area with, and a child's login asks it only to set her today's hours, which it works out from
// her record itself. Tembrel ends for good only when the guard lets it (it restarts every end the
// parents did not authorise, so writing the quit signal behind its back would only bring Tembrel
// back). Without a guard the shared folder is written as before.
#include <algorithm>
#include <optional>
#include <string>

#include "guard/GuardSettings.h"
#include "guard/client/GuardClient.h"
#include "platform/Errors.h"
#include "records/RecordContract.h"
#include "standins/engine/SettingsPort.h"

namespace tembrel {

class GuardedSettings : public SettingsPort {
  public:
    explicit GuardedSettings(SettingsPort& local) : local_(local) {}
    void Write(const std::string& master, const std::string& name,
               const RecordValues& values) override {
        const std::optional<guard::Reply> reply = guard::AskGuard(
            IsLogin(master, name, values)
                ? guard::Request{guard::kTodayVerb, {{guard::kChildField, name}}, ""}
                : guard::Request{guard::kSettingsVerb,
                                 {{guard::kPasswordField, master}, {guard::kFileField, name}},
                                 guard::FormatSettingsBody(values)});
        if (!reply) {
            local_.Write(master, name, values);
            return;
        }
        if (reply->status != guard::Reply::Status::Ok) {
            throw TembrelError("Tembrel's guard service did not write the settings (" +
                               reply->message + "). Try again, or ask an administrator.");
        }
    }
    void Quit(const std::string& master) override {
        if (guard::AskGuardToEnd(master) == guard::EndAnswer::Refused) {
            throw TembrelError("Tembrel's guard service did not let Tembrel quit. Try again, or "
                               "ask an administrator.");
        }
        local_.Quit(master);
    }

  private:
    // A child's login and the day's change keep her "open" and "close" current without a password;
    // the guard sets them from her record, whatever hours come with the request.
    static bool IsLogin(const std::string& master, const std::string& name,
                        const RecordValues& values) {
        return master.empty() && name != contract::kPasswordFile && !values.empty() &&
               std::all_of(values.begin(), values.end(), [](const auto& value) {
                   return value.first == contract::kOpenHourKey ||
                          value.first == contract::kCloseHourKey;
               });
    }

    SettingsPort& local_;
};

} // namespace tembrel
