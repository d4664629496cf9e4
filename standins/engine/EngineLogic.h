#pragma once
// What our lock screen decides, apart from its window: who may log in and for how long, and what
// a parent may change. It meets the session timer only through the record files of the shared
// folder:
//   engine.var        "children": the children's names, separated by "/" (no file name holds one)
//   <name>.var        "daily" (minutes a day), "open" and "close" (hours), "pw" (the child's
//                     password, every character one code lower), shared with the timer, which
//                     reads "open" and "close"
//   ps.var            "mpass" (master password, one code lower), "mhint"
//   allow.var         the hand-over this program writes: "user", then "allow" (seconds)
//   EN.var            "EN" = "End" asks the timer to quit
// The daily use comes from the timer's usage record: "used" in <name><date key>.var.
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Regional.h"
#include "records/RecordContract.h"

namespace tembrel {

struct EnginePorts {
    Files& files;
    const Clock& clock;
    const Regional& regional;
};

class EngineLogic {
  public:
    static constexpr const char* kChildrenFile = contract::kChildrenFile;
    static constexpr int kMaxDailyMinutes = 24 * 60;

    // The answer to a request: done, or refused with a message for the screen. A granted login
    // also tells the seconds handed over.
    struct Outcome {
        bool ok = false;
        std::string message;
        long long seconds = 0;
    };

    explicit EngineLogic(EnginePorts ports) : ports_(ports) {}

    std::vector<std::string> Children();

    // A child's login: hands over today's allowance minus today's use, inside the child's hours.
    Outcome LogIn(const std::string& name, const std::string& password);

    bool HasMasterPassword();
    std::string MasterHint();
    // Sets the master password and its hint. Needs the current master password once one is set.
    Outcome SetMasterPassword(const std::string& current, const std::string& newPassword,
                              const std::string& hint);
    // Adds a child, or changes a listed one: daily minutes, hours ("" and "" for all day), and a
    // password (empty: none for a new child, the old one kept for a listed child).
    Outcome AddChild(const std::string& master, const std::string& name,
                     const std::string& dailyMinutes, const std::string& openHour,
                     const std::string& closeHour, const std::string& childPassword);
    // Asks the session timer to quit.
    Outcome QuitTembrel(const std::string& master);

  private:
    Outcome CheckMaster(const std::string& master);
    std::string ListedSpelling(const std::string& name);

    EnginePorts ports_;
};

} // namespace tembrel
