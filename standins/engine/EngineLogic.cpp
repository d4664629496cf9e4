#include "standins/engine/EngineLogic.h"

#include <algorithm>
#include <memory>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"
#include "records/SessionEnd.h"
#include "records/StoredPasswords.h"

namespace tembrel {

namespace {

using Outcome = EngineLogic::Outcome;

Outcome Refuse(std::string message, FormField field = FormField::None, int day = 0) {
    return {false, std::move(message), 0, field, day};
}
Outcome Done(std::string message) {
    return {true, std::move(message), 0, FormField::None, 0};
}

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : "/") + part;
    }
    return text;
}

bool SameName(const std::string& a, const std::string& b, const Regional& regional) {
    // File names do not tell letter case apart, so neither may children's names.
    return regional.ToLower(a) == regional.ToLower(b);
}

// A control character cannot be typed, and in the hint, which stays readable, it would come out as
// a line end or worse.
bool UsablePassword(const std::string& password) {
    return std::all_of(password.begin(), password.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
}

int TodayOf(const LocalTime& now) {
    return Weekday(DayNumber(now));
}

std::string Refusal(const Grant& grant, const std::string& child) {
    using Standing = Grant::Standing;
    switch (grant.standing) {
    case Standing::NotToday:
        return "Today is not a computer day for you, " + child + ".";
    case Standing::UsedUp:
        return "Your time for today is used up, " + child + ".";
    case Standing::WeekUsedUp:
        return "Your time for this week is used up, " + child + ".";
    case Standing::NotYet:
        return "Your hours begin at " + NumberText(grant.backAtHour) + ":00, " + child + ".";
    case Standing::HoursOver:
        return "Your allowed hours are over for today, " + child + ".";
    case Standing::Midday:
        return "It is 12:00 midday: log in again at 12:01, " + child + ".";
    case Standing::Open:
        break;
    }
    return {};
}

} // namespace

std::vector<std::string> EngineLogic::Children() {
    return contract::ChildrenOfList(
        ReadRecord(ports_.files, contract::kChildrenKey, kChildrenFile).value_or(""));
}

std::string EngineLogic::ListedSpelling(const std::string& name) {
    for (const std::string& child : Children()) {
        if (SameName(child, name, ports_.regional)) {
            return child;
        }
    }
    return {};
}

UsedSeconds EngineLogic::UsedNow(const std::string& child) {
    Files& files = ports_.files;
    const Regional& regional = ports_.regional;
    const LocalTime now = ports_.clock.Now();
    const contract::UsageNames names = contract::UsageNamesFor(regional, child, now);
    const auto whole = [&](const std::optional<std::string>& text) {
        return text && !text->empty()
                   ? WholePart(StoredNumericValue(*text, regional.DecimalSeparator()))
                   : 0LL;
    };
    UsedSeconds used;
    used.today = whole(ReadRecord(files, regional, contract::kDayUseReadKey, names.daily));
    // The week key holds no year of its own: a file of that name written before this week began
    // holds another week's total, and the timer counts it from 0 too.
    const std::string weekPath = RecordPath(files, regional, names.weekly);
    if (RecordFileExists(files, weekPath) &&
        LocalSeconds(files.Info(weekPath).lastWrite) >= names.weekStart) {
        used.week = whole(ReadRecord(files, regional, contract::kWeekTotalKey, names.weekly));
    }
    return used;
}

std::vector<EngineLogic::Tile> EngineLogic::Tiles() {
    std::vector<Tile> tiles;
    for (const std::string& child : Children()) {
        Tile tile{child, "", "", false};
        try {
            tile.password = HasChildPassword(child);
            const Grant grant = GrantAt(ReadLimits(ports_.files, ports_.regional, child),
                                        ports_.clock.Now(), UsedNow(child));
            tile.status = TileText(grant);
            tile.open = grant.standing == Grant::Standing::Open;
            if (grant.stopsAtMidday) {
                tile.note = "Stops at 12:00 midday";
            }
        } catch (const TembrelError&) {
            tile.status = "Ask a parent";
        }
        tiles.push_back(std::move(tile));
    }
    return tiles;
}

void EngineLogic::LogIn(const std::string& name, const std::string& password, Answer answer) {
    const std::string child = ListedSpelling(name);
    if (child.empty()) {
        answer(Refuse("Pick your name first."));
        return;
    }
    StoredPassword stored;
    try {
        stored = ReadChildPassword(ports_.files, ports_.regional, child);
    } catch (const DamagedPasswordHash&) {
        answer(Refuse("Your password cannot be checked, " + child +
                      ". Ask a parent to set it again."));
        return;
    }
    if (stored.form == StoredPassword::Form::None) {
        answer(FinishLogIn(child));
        return;
    }
    Slowly([stored, password, &crypto = ports_.crypto](
               Slow& slow) { slow.matched = StoredPasswordMatches(stored, crypto, password); },
           [this, child](const Slow& slow) -> Outcome {
               if (!slow.failure.empty()) {
                   return Refuse("Your password cannot be checked now: " + slow.failure);
               }
               if (!slow.matched) {
                   return Refuse("That password is not right, " + child + ". Try again.");
               }
               return FinishLogIn(child);
           },
           answer);
}

EngineLogic::Outcome EngineLogic::FinishLogIn(const std::string& child) {
    Files& files = ports_.files;
    const Regional& regional = ports_.regional;
    ChildLimits limits;
    try {
        limits = ReadLimits(files, regional, child);
    } catch (const TypeMismatch&) {
        return Refuse("Your limits cannot be read. Ask a parent to set them again.");
    }
    UsedSeconds used;
    try {
        used = UsedNow(child);
    } catch (const TembrelError&) {
        // Granting the whole day again would be the wrong way to fail.
        return Refuse("Today's use cannot be read. Ask a parent.");
    }
    const LocalTime now = ports_.clock.Now();
    const Grant grant = GrantAt(limits, now, used);
    if (grant.standing != Grant::Standing::Open) {
        return Refuse(Refusal(grant, child));
    }

    // The timer checks the hours of the record during the session: they must be today's.
    ports_.settings.Write("", child, TodaysHoursRecords(limits, TodayOf(now)));
    // A hand-over the timer has not picked up yet must not lend its allowance to this login: the
    // timer takes the allowance as soon as it sees one, with whatever user stands beside it.
    files.Remove(RecordPath(files, contract::kHandOverFile));
    WriteRecord(files, contract::kUserKey, contract::kHandOverFile, child);
    WriteRecord(files, contract::kAllowanceKey, contract::kHandOverFile, NumberText(grant.seconds));
    return {true, "Welcome, " + child + ".", grant.seconds, FormField::None, 0};
}

std::optional<std::string> EngineLogic::TakeEndMessage() {
    const auto end = TakeSessionEnd(ports_.files);
    if (!end) {
        return std::nullopt;
    }
    return "Goodbye, " + end->user + ". " + SessionEndText(end->reason) + ".";
}

void EngineLogic::KeepTodaysHours() {
    const int today = TodayOf(ports_.clock.Now());
    for (const std::string& child : Children()) {
        try {
            const RecordValues hours =
                TodaysHoursRecords(ReadLimits(ports_.files, ports_.regional, child), today);
            for (const auto& [key, value] : hours) {
                if (ReadRecord(ports_.files, ports_.regional, key, child) != value) {
                    ports_.settings.Write("", child, hours);
                    break;
                }
            }
        } catch (const TembrelError&) {
            // Her tile says to ask a parent, and a login is refused until her limits are set;
            // the other children's hours are kept all the same.
        }
    }
}

std::vector<std::string> EngineLogic::ConvertPasswords() {
    return ConvertReadablePasswords(ports_.files, ports_.regional, ports_.crypto);
}

void EngineLogic::Slowly(std::function<void(Slow&)> work, std::function<Outcome(const Slow&)> then,
                         Answer answer) {
    busy_ = true;
    // The work holds its own copies and the answer: the screen and the files may change meanwhile.
    auto slow = std::make_shared<Slow>();
    ports_.work.Run(
        [slow, work = std::move(work)] {
            try {
                work(*slow);
            } catch (const std::exception& e) {
                slow->failure = e.what();
            } catch (...) {
                slow->failure = "unknown failure";
            }
        },
        [this, slow, then = std::move(then), answer = std::move(answer)] {
            busy_ = false;
            // This runs from the message loop, where nobody would catch what it throws.
            Outcome outcome;
            try {
                outcome = then(*slow);
            } catch (const std::exception& e) {
                outcome = Refuse(std::string("Something went wrong: ") + e.what());
            }
            answer(outcome);
        });
}

bool EngineLogic::HasMasterPassword() {
    // A damaged hash counts as one: a child who spoils ps.var must not be let in to set her own.
    return tembrel::HasMasterPassword(ports_.files, ports_.regional);
}

std::string EngineLogic::MasterHint() {
    return ReadRecord(ports_.files, contract::kMasterHintKey, contract::kPasswordFile).value_or("");
}

bool EngineLogic::HasChildPassword(const std::string& child) {
    for (const char* key : {contract::kChildHashKey, contract::kChildPasswordKey}) {
        if (!ReadRecord(ports_.files, ports_.regional, key, child).value_or("").empty()) {
            return true;
        }
    }
    return false;
}

void EngineLogic::OpenParents(const std::string& master, Answer answer) {
    StoredPassword stored;
    try {
        stored = ReadMasterPassword(ports_.files, ports_.regional);
    } catch (const DamagedPasswordHash&) {
        answer(Refuse("The stored master password is damaged and opens nothing. Run Tembrel's "
                      "setup as an administrator to set a new one."));
        return;
    }
    if (stored.form == StoredPassword::Form::None) {
        parentsOpen_ = true;
        master_.clear();
        answer(Done("First choose a master password that only parents know."));
        return;
    }
    Slowly([stored, entry = MasterPasswordText(ports_.regional, master), &crypto = ports_.crypto](
               Slow& slow) { slow.matched = StoredPasswordMatches(stored, crypto, entry); },
           [this, master](const Slow& slow) -> Outcome {
               if (!slow.failure.empty()) {
                   return Refuse("The master password cannot be checked now: " + slow.failure);
               }
               if (!slow.matched) {
                   return Refuse("That is not the master password.");
               }
               parentsOpen_ = true;
               master_ = master;
               return Done("");
           },
           answer);
}

void EngineLogic::SetMasterPassword(const std::string& newPassword, const std::string& again,
                                    const std::string& hint, Answer answer) {
    const auto problem = [&]() -> std::string {
        if (!parentsOpen_) {
            return "Open the parents' area first.";
        }
        if (newPassword.empty() || !UsablePassword(newPassword)) {
            return "Master password: type a new password.";
        }
        if (again != newPassword) {
            return "Master password: the two boxes differ. Type the same password twice.";
        }
        if (hint.empty() || !UsablePassword(hint)) {
            // An empty hint could not be stored, and the old one would stay with the new password.
            return "Hint: type something that reminds you of the password.";
        }
        if (hint == newPassword) {
            return "Hint: everyone can read the hint; do not type the password itself.";
        }
        return {};
    }();
    if (!problem.empty()) {
        answer(Refuse(problem));
        return;
    }
    Slowly([newPassword, &regional = ports_.regional, &crypto = ports_.crypto](
               Slow& slow) { slow.hash = MasterPasswordHashText(regional, crypto, newPassword); },
           [this, newPassword, hint](const Slow& slow) -> Outcome {
               if (!slow.failure.empty()) {
                   return Refuse("The master password cannot be stored now: " + slow.failure);
               }
               if (!parentsOpen_) {
                   return Refuse("Open the parents' area first.");
               }
               // The hash and the readable form's removal in one replace: no moment holds both or
               // neither.
               ports_.settings.Write(master_, contract::kPasswordFile,
                                     {{contract::kMasterHashKey, slow.hash},
                                      {contract::kMasterPasswordKey, ""},
                                      {contract::kMasterHintKey, hint}});
               master_ = newPassword; // what a service checks the next requests against
               return Done("The master password is set.");
           },
           answer);
}

ChildForm EngineLogic::FormOf(const std::string& listed) {
    ChildForm form;
    const std::string name = ListedSpelling(listed);
    form.name = name;
    if (name.empty()) {
        form.minutes.fill("60");
        form.open.fill("0");
        form.close.fill("24");
        return form;
    }
    ChildLimits limits;
    try {
        limits = ReadLimits(ports_.files, ports_.regional, name);
    } catch (const TypeMismatch&) {
        // Shown as the defaults, for the parent to set again.
    }
    form.password = HasChildPassword(name);
    form.sameEveryDay = std::all_of(limits.days.begin(), limits.days.end(),
                                    [&](const DayLimits& d) { return d == limits.days[0]; });
    for (int day = 0; day < kDaysInWeek; ++day) {
        form.minutes[day] = NumberText(limits.days[day].minutes);
        form.open[day] = NumberText(limits.days[day].open);
        form.close[day] = NumberText(limits.days[day].close);
    }
    form.weekly = limits.weeklyMinutes ? NumberText(*limits.weeklyMinutes) : "";
    return form;
}

void EngineLogic::SaveChild(const std::string& listed, const ChildForm& form, Answer answer) {
    std::string child;
    RecordValues values;
    if (Outcome refused = ChildValues(listed, form, child, values); !refused.ok) {
        answer(refused);
        return;
    }
    if (!form.password || form.newPassword.empty()) {
        answer(WriteChild(listed, child, std::move(values)));
        return;
    }
    Slowly([password = form.newPassword, &crypto = ports_.crypto](
               Slow& slow) { slow.hash = ChildPasswordHashText(crypto, password); },
           [this, listed, child, values = std::move(values)](const Slow& slow) mutable -> Outcome {
               if (!slow.failure.empty()) {
                   return Refuse("Password: it cannot be stored now: " + slow.failure,
                                 FormField::Password);
               }
               if (!parentsOpen_) {
                   return Refuse("Open the parents' area first.");
               }
               // The hash and the readable form's removal in one replace of her record.
               values.emplace_back(contract::kChildHashKey, slow.hash);
               values.emplace_back(contract::kChildPasswordKey, "");
               return WriteChild(listed, child, std::move(values));
           },
           answer);
}

EngineLogic::Outcome EngineLogic::ChildValues(const std::string& listed, const ChildForm& form,
                                              std::string& child, RecordValues& values) {
    if (!parentsOpen_) {
        return Refuse("Open the parents' area first.");
    }
    if (!HasMasterPassword()) {
        return Refuse("Set the master password first.");
    }
    Files& files = ports_.files;
    const Regional& regional = ports_.regional;
    const std::string separator = regional.DecimalSeparator();
    child = listed.empty() ? form.name : ListedSpelling(listed);
    if (!listed.empty() && child.empty()) {
        return Refuse(listed + " is no longer on the list.");
    }
    if (listed.empty()) {
        if (std::string check = CheckChildName(files, regional, child); !check.empty()) {
            return Refuse(check, FormField::Name);
        }
        if (const std::string same = ListedSpelling(child); !same.empty()) {
            return Refuse("There is already a child called " + same +
                              ". Pick a name of its own, or change " + same + " in the list.",
                          FormField::Name);
        }
        for (const char* reserved : {contract::kHandOverFile, contract::kQuitFile,
                                     contract::kPasswordFile, sessionend::kFile, kChildrenFile}) {
            if (SameName(child, reserved, regional)) {
                return Refuse("Name: the program keeps \"" + child + "\" for itself.",
                              FormField::Name);
            }
        }
    }

    ChildLimits limits;
    for (int day = 0; day < kDaysInWeek; ++day) {
        const int from = form.sameEveryDay ? 0 : day;
        DayLimits& d = limits.days[day];
        if (std::string check = CheckMinutes(form.minutes[from], separator, d.minutes);
            !check.empty()) {
            return Refuse(check, FormField::Minutes, from);
        }
        if (std::string check = CheckHour(form.open[from], separator, d.open); !check.empty()) {
            return Refuse(check, FormField::Open, from);
        }
        if (std::string check = CheckHour(form.close[from], separator, d.close); !check.empty()) {
            return Refuse(check, FormField::Close, from);
        }
        if (std::string check = CheckHours(d.open, d.close); !check.empty()) {
            return Refuse(check, FormField::Close, from);
        }
    }
    if (std::string check = CheckWeekly(form.weekly, separator, limits.weeklyMinutes);
        !check.empty()) {
        return Refuse(check, FormField::Weekly);
    }
    values = LimitRecords(limits, TodayOf(ports_.clock.Now()));
    values.emplace_back(childkey::kDaily, ""); // the older single limit would mislead a reader
    if (!form.password) {
        values.emplace_back(contract::kChildHashKey, "");
        values.emplace_back(contract::kChildPasswordKey, "");
    } else if (!UsablePassword(form.newPassword)) {
        return Refuse("Password: use letters, digits and signs.", FormField::Password);
    } else if (form.newPassword.empty() && !HasChildPassword(child)) {
        return Refuse("Password: type the child's password, or untick the box.",
                      FormField::Password);
    }
    // An empty new password keeps the stored one, in whichever form it is kept.
    return Done("");
}

EngineLogic::Outcome EngineLogic::WriteChild(const std::string& listed, const std::string& child,
                                             RecordValues values) {
    ports_.settings.Write(master_, child, values);
    if (listed.empty()) {
        std::vector<std::string> children = Children();
        children.push_back(child);
        ports_.settings.Write(master_, kChildrenFile, {{contract::kChildrenKey, Join(children)}});
        return Done(child + " is added.");
    }
    return Done(child + " is changed.");
}

EngineLogic::Outcome EngineLogic::RemoveChild(const std::string& name) {
    if (!parentsOpen_) {
        return Refuse("Open the parents' area first.");
    }
    std::vector<std::string> children = Children();
    const std::string child = ListedSpelling(name);
    if (child.empty()) {
        return Refuse("Pick a child in the list first.");
    }
    std::erase(children, child);
    // Her record and her use stay: added again, she finds her week as she left it.
    ports_.settings.Write(master_, kChildrenFile, {{contract::kChildrenKey, Join(children)}});
    return Done(child + " is removed.");
}

std::string EngineLogic::FieldProblem(FormField field, const std::string& text) {
    const std::string separator = ports_.regional.DecimalSeparator();
    int whole = 0;
    std::optional<int> weekly;
    switch (field) {
    case FormField::Name:
        return CheckChildName(ports_.files, ports_.regional, text);
    case FormField::Minutes:
        return CheckMinutes(text, separator, whole);
    case FormField::Open:
    case FormField::Close:
        return CheckHour(text, separator, whole);
    case FormField::Weekly:
        return CheckWeekly(text, separator, weekly);
    case FormField::None:
    case FormField::Password:
        break;
    }
    return {};
}

std::string EngineLogic::HoursProblem(const std::string& open, const std::string& close) {
    const std::string separator = ports_.regional.DecimalSeparator();
    int from = 0;
    int until = 0;
    std::string problem = CheckHour(open, separator, from);
    if (problem.empty()) {
        problem = CheckHour(close, separator, until);
    }
    return problem.empty() ? CheckHours(from, until) : problem;
}

EngineLogic::Outcome EngineLogic::QuitTembrel() {
    if (!parentsOpen_) {
        return Refuse("Open the parents' area first.");
    }
    ports_.settings.Quit(master_);
    return Done("Tembrel is asked to quit.");
}

} // namespace tembrel
