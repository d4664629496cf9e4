#pragma once
// What our lock screen decides, apart from its window: what each child's tile says, who may log
// in and for how long, and what a parent may change. It meets the session timer only through the
// record files of the shared folder:
//   engine.var        "children": the children's names, separated by "/" (no file name holds one)
//   <name>.var        the child's limits and password (records/ChildLimits.h); "open" and "close"
//                     hold today's hours for the timer
//   ps.var            "mhash" (the master password's hash), "mhint"
// Passwords are kept as slow salted hashes ("mhash", "pwhash"; records/StoredPasswords.h); the
// readable forms of an older lock screen ("mpass", "pw") still count until they are converted.
//   allow.var         the hand-over this program writes: "user", then "allow" (seconds)
//   EN.var            "EN" = "End" asks the timer to quit
//   lastend.var       why the last session ended, left by the timer (records/SessionEnd.h)
// The use comes from the timer's usage records: "used" in <name><date key>.var, "weektotal" in
// <week key><name><year>.var. The parents' writes go through the settings port.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/PasswordCrypto.h"
#include "platform/Regional.h"
#include "records/Grant.h"
#include "records/RecordContract.h"
#include "standins/engine/SettingsPort.h"

namespace tembrel {

struct EnginePorts {
    Files& files;
    const Clock& clock;
    const Regional& regional;
    SettingsPort& settings;
    PasswordCrypto& crypto;
    // A password's hash takes about a second: it is made and checked here, away from the screen.
    BackgroundWork& work;
};

// A child as the parents' form shows and takes it: texts as typed.
struct ChildForm {
    std::string name;
    bool password = false;   // the child logs in with a password
    std::string newPassword; // empty: keep the current one
    bool sameEveryDay = true;
    std::array<std::string, kDaysInWeek> minutes, open, close; // Monday first
    std::string weekly;                                        // empty: no weekly limit
};

// Which field of the form a refusal is about, for the view to put the focus there.
enum class FormField { None, Name, Password, Minutes, Open, Close, Weekly };

class EngineLogic {
  public:
    static constexpr const char* kChildrenFile = contract::kChildrenFile;

    // The answer to a request: done, or refused with a message for the screen. A granted login
    // also tells the seconds handed over; a refused form says which field (and which day).
    struct Outcome {
        bool ok = false;
        std::string message;
        long long seconds = 0;
        FormField field = FormField::None;
        int day = 0;
    };

    struct Tile {
        std::string name;
        std::string status; // "1 h 20 min left", "Not today", ...
        std::string note;   // "Stops at 12:00 midday", or ""
        bool password = false;
        bool open = false; // a login now would be granted
    };

    // The answer to a request that may have to check or hash a password first: it comes later,
    // on the UI thread, once that work is done.
    using Answer = std::function<void(const Outcome&)>;

    explicit EngineLogic(EnginePorts ports) : ports_(ports) {}

    // An older installation's readable passwords into hashes, once; what could not be converted,
    // for the log. Runs on the calling thread, before the screen is up.
    std::vector<std::string> ConvertPasswords();
    // A password is being checked or hashed: a request now would be ignored.
    bool Busy() const { return busy_; }

    LocalTime Now() const { return ports_.clock.Now(); }
    std::vector<std::string> Children();
    std::vector<Tile> Tiles();

    // A child's login: hands over what GrantAt gives, and writes today's hours for the timer.
    void LogIn(const std::string& name, const std::string& password, Answer answer);
    // "Goodbye, Ann. Time is up for today." once after the timer ended a session, else nothing.
    std::optional<std::string> TakeEndMessage();
    // Writes "open" and "close" of every child whose record does not hold today's hours: after
    // midnight, and after a day the lock screen was not running.
    void KeepTodaysHours();

    bool HasMasterPassword();
    std::string MasterHint();
    // Opens the parents' area with the master password, or without one while none is set.
    void OpenParents(const std::string& master, Answer answer);
    void CloseParents() {
        parentsOpen_ = false;
        master_.clear();
    }
    bool ParentsOpen() const { return parentsOpen_; }

    // The rest needs the parents' area open.
    void SetMasterPassword(const std::string& newPassword, const std::string& again,
                           const std::string& hint, Answer answer);
    // The listed child's settings as the form shows them; a new child's defaults for "".
    ChildForm FormOf(const std::string& listed);
    // Adds a child (`listed` empty) or changes the listed child `listed` (the name stays).
    void SaveChild(const std::string& listed, const ChildForm& form, Answer answer);
    Outcome RemoveChild(const std::string& name);
    // What to type instead, for one field as it is typed (Name, Minutes, Weekly), or "".
    std::string FieldProblem(FormField field, const std::string& text);
    // The same for one day's opening and closing hour together.
    std::string HoursProblem(const std::string& open, const std::string& close);
    Outcome QuitTembrel();

  private:
    std::string ListedSpelling(const std::string& name);
    UsedSeconds UsedNow(const std::string& child);
    bool HasChildPassword(const std::string& child);
    // What the slow work found: whether the entry matched, or the new hash's text.
    struct Slow {
        bool matched = false;
        std::string hash;
        std::string failure; // why the work could not be done
    };
    // Runs `work` through the background port, then `then` on the UI thread, and answers with
    // what it gives (or its failure); Busy() meanwhile.
    void Slowly(std::function<void(Slow&)> work, std::function<Outcome(const Slow&)> then,
                Answer answer);
    Outcome FinishLogIn(const std::string& child);
    // The checks of a child's form, and the records it makes (without a new password's hash).
    Outcome ChildValues(const std::string& listed, const ChildForm& form, std::string& child,
                        RecordValues& values);
    Outcome WriteChild(const std::string& listed, const std::string& child, RecordValues values);

    EnginePorts ports_;
    bool parentsOpen_ = false;
    bool busy_ = false;
    std::string master_; // as typed at the gate, while the parents' area is open
};

} // namespace tembrel
