// A week of sessions, New Year and a new week among them, in which any file operation may fail
// and the process may die between any two of them and start again from what is on disk. Three
// promises are checked against a model of our own:
//   A. whenever no session runs, the lock screen was launched after the last session ended and
//      after start-up;
//   B. while a session runs, every tick counts its second (bonus first) or closes the session;
//   C. every used second is in the daily use (both files) and the weekly total exactly once,
//      except the seconds since the journal was last written when the process died without
//      warning.
// Idle hours are skipped in one step, so the run costs the same on any machine.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "platform/fakes/RecordingPorts.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "session/DiagnosticLog.h"
#include "session/Horodesk.h"
#include "session/tests/FakeSession.h"
#include "session/tests/NewYearWeek.h"

namespace tembrel {
namespace {

// Existence look-ups fail too, as Windows' do when access is denied or a drive is not ready.
class FaultyFiles : public MemoryFiles {
  public:
    std::function<bool(const std::string&)> lookupFails;
    bool IsPlainFile(const std::string& path) const override {
        if (lookupFails && lookupFails(path)) {
            throw FileError("injected look-up: " + path);
        }
        return MemoryFiles::IsPlainFile(path);
    }
};

class FailClosed : public ::testing::Test {
  protected:
    // The used seconds one file must hold, as a range: a death leaves up to a second open.
    struct Range {
        long long lo = 0, hi = 0;
    };
    struct Session {
        std::string user;
        long long allowance = 0, bonus = 0, used = 0;
        // What the last journal written during the session holds, and when it was written.
        long long journalLo = 0, journalHi = 0;
        std::optional<LocalTime> journalAt;
        LocalTime closedAt;
    };
    class Lock : public DesktopLock {
      public:
        explicit Lock(FailClosed& sim) : sim_(sim) {}
        void TaskManager_Enable_Disable(std::int32_t) override {}
        void CtrlAltDel_Enable_Disable(std::int32_t) override {}
        void Process_Desktop(const std::string&, const std::string&) override {
            if (sim_.dead) {
                throw LibraryError("the process is gone");
            }
            sim_.launched = true;
        }

      private:
        FailClosed& sim_;
    };
    // Everything that dies with the process.
    struct Process {
        Lock lock;
        RecordingProgramEnd end;
        DiagnosticLog log;
        WatchedSession session;
        explicit Process(FailClosed& sim)
            : lock(sim), log(sim.files, sim.clock),
              session(SessionPorts{sim.files, sim.clock, sim.regional, lock, end, log}) {}
    };

    FaultyFiles files;
    FakeClock clock;
    FakeRegional regional;
    std::unique_ptr<Process> process;
    std::mt19937 rng{20271230};
    std::mt19937 faultRng{1};
    const std::string journal = files.folder + "\\" + Horodesk::kJournalFile;

    int failPerMille = 20;
    int deathOneIn = 3000;
    bool shuttingDown = false, injecting = false, dead = false, launched = false,
         journalLanded = false;
    int faults = 0, deaths = 0, quits = 0, shutdowns = 0;
    std::vector<ClosedSession> closes;

    std::optional<Session> running;
    std::vector<Session> unsecured; // closed, with nothing yet on disk that holds their use
    std::optional<std::pair<long long, std::string>> handOver;
    bool torn = false;
    std::map<std::string, int> windowClose; // user -> closing hour of a window from 0:00
    std::map<std::string, Range> daily, dated, weekly;
    std::map<CloseReason, int> reasons;

    bool OneIn(std::uint32_t n) { return rng() % n == 0; }
    long long Between(long long low, long long high) {
        return low + static_cast<long long>(rng() % static_cast<std::uint32_t>(high - low + 1));
    }

    FailClosed() {
        clock.now = LocalTime{2027, 12, 30, 8, 0, 0};
        files.clock = &clock;
        files.beforeOp = [this](MemoryFiles::Op op, const std::string& path) {
            if (dead) {
                throw FileError("the process is gone");
            }
            if (!injecting) {
                return;
            }
            if (deathOneIn != 0 && faultRng() % static_cast<std::uint32_t>(deathOneIn) == 0) {
                dead = true;
                ++deaths;
                throw FileError("the process is gone");
            }
            if (static_cast<int>(faultRng() % 1000) < failPerMille) {
                ++faults;
                throw FileError("injected: " + path);
            }
            journalLanded |= op == MemoryFiles::Op::Replace && path == journal;
        };
        files.lookupFails = [this](const std::string&) {
            const bool fails = injecting && static_cast<int>(faultRng() % 1000) < failPerMille;
            faults += fails ? 1 : 0;
            return fails;
        };
    }

    void Credit(const std::string& user, const LocalTime& at, long long lo, long long hi) {
        for (auto* entry : {&daily[user + DateKeyOf(at)], &dated[DateKeyOf(at) + "-" + user],
                            &weekly[WeekFileOf(at, user)]}) {
            entry->lo += lo;
            entry->hi += hi;
        }
    }
    // A session whose use is only in a journal that no longer changes.
    void CreditJournal(const Session& s) {
        if (s.journalAt) {
            Credit(s.user, *s.journalAt, s.journalLo, s.journalHi);
        }
    }
    void Secure() {
        for (const Session& s : unsecured) {
            Credit(s.user, s.closedAt, s.used, s.used);
        }
        unsecured.clear();
    }
    std::string TimeOf() const {
        return DateKeyOf(clock.now) + " " + std::to_string(clock.now.hour) + ":" +
               std::to_string(clock.now.minute) + ":" + std::to_string(clock.now.second);
    }
    Session Taken() {
        Session s;
        s.user = handOver->second;
        s.allowance = handOver->first;
        return s;
    }
    void Count(Session& s) {
        if (s.bonus > 0) {
            --s.bonus;
        } else {
            ++s.used;
        }
    }

    void Start() {
        dead = launched = false;
        process = std::make_unique<Process>(*this);
        process->session.onClosed = [this](const ClosedSession& c) {
            if (!dead) {
                // A session of an earlier process ended before this one's first launch.
                launched = launched && c.reason == CloseReason::Recovered;
                closes.push_back(c);
            }
        };
        Run([this] { process->session.Load(); }, false);
        if (!dead) {
            EXPECT_TRUE(launched) << "no launch at start-up";
        }
    }

    // The process ends: what it held in memory is gone; the disk holds what it holds.
    void Died() {
        if (running) {
            CreditJournal(*running);
            running.reset();
        }
        for (const Session& s : unsecured) {
            CreditJournal(s);
        }
        unsecured.clear();
        if (handOver && !files.Has("allow")) {
            Credit(handOver->second, clock.now, 0, 1); // taken: its first second may be on record
            handOver.reset();
        }
        do {
            Start();
        } while (dead);
    }

    // Runs a handler with faults injected and follows it in the model.
    template <class Handler> void Run(Handler handler, bool tick) {
        closes.clear();
        journalLanded = false;
        const int faultsBefore = faults;
        const long long usedBefore = running ? running->used : 0;
        injecting = true;
        handler();
        injecting = false;
        if (journalLanded) {
            Secure();
            if (running) {
                running->journalLo = usedBefore;
                running->journalHi = usedBefore + (tick ? 1 : 0);
                running->journalAt = clock.now;
            }
        }
        if (dead) {
            Died();
            return;
        }
        Horodesk& session = process->session;
        const bool taken = handOver && !files.Has("allow");
        bool counted = false;
        for (const ClosedSession& c : closes) {
            ++reasons[c.reason];
            if (c.reason == CloseReason::Recovered) {
                continue;
            }
            if (!running && taken) { // picked up and closed on the same tick
                running = Taken();
                handOver.reset();
            }
            ASSERT_TRUE(running) << "a close without a session";
            EXPECT_EQ(c.user, running->user);
            if (c.reason == CloseReason::TimeUp) {
                Count(*running);
                EXPECT_EQ(running->allowance - running->used + running->bonus, 0);
                counted = true;
            }
            EXPECT_EQ(c.allowanceUsed, running->used);
            running->closedAt = clock.now;
            unsecured.push_back(*running);
            running.reset();
            if (journalLanded) {
                Secure();
            }
        }
        if (taken && handOver && handOver->first == 0) {
            handOver.reset(); // refused: the session it ended stays ended
        }
        if (taken && handOver) {
            EXPECT_FALSE(running) << "a hand-over taken without closing the session";
            running = Taken();
            running->journalAt = clock.now; // picked up with a journal, or with none: 0 to 1
            running->journalHi = 1;
            handOver.reset();
            EXPECT_EQ(session.StartAllowance(), std::to_string(running->allowance));
        }
        if (!closes.empty() && closes.back().reason != CloseReason::Recovered && !running) {
            EXPECT_EQ(session.Status(), Horodesk::kClosingMessage);
        }
        if (session.PendingWrites() == 0) {
            Secure();
        }
        if (running && tick && !counted) {
            Count(*running);
        }
        // B: the session counted exactly the model's second.
        EXPECT_EQ(session.SessionRunning(), running.has_value());
        if (running && session.SessionRunning()) {
            EXPECT_EQ(session.cUser(), running->user);
            EXPECT_EQ(session.BigCount(), std::to_string(running->allowance - running->used));
            EXPECT_EQ(session.Text1(), std::to_string(running->bonus));
            if (tick && faults == faultsBefore) {
                EXPECT_LT(clock.now.hour,
                          windowClose.count(running->user) != 0 ? windowClose[running->user] : 24)
                    << "past the hours window";
            }
        }
        // A.
        if (!session.SessionRunning() && !shuttingDown) {
            EXPECT_TRUE(launched) << "no session and no lock screen at " << TimeOf();
        }
        if (process->end.ended != 0) {
            EXPECT_FALSE(running) << "quit during a session";
            EXPECT_TRUE(unsecured.empty()) << "quit with use nowhere on disk";
            EXPECT_EQ(ReadRecord(files, "EN", "EN"), "None");
            ++quits;
            Died();
        }
    }

    void HandOver(const std::string& user, long long allowance) {
        const std::string text =
            "|||allow|||" + std::to_string(allowance) + "\r\n|||user|||" + user + "\r\n";
        // Now and then the lock screen is caught in the middle of writing it.
        torn = OneIn(5);
        files["allow"] = torn ? text.substr(0, 13) : text;
        handOver = {allowance, user};
        handOverText = text;
    }
    std::string handOverText;

    void Events() {
        if (torn) {
            files["allow"] = handOverText; // finished a second later
            torn = false;
        }
        if (!running && !handOver && process->session.PendingWrites() == 0) {
            // Idle: on to the next login, now and then just before midday or midnight.
            long long gap = Between(30, 7200), allowance = Between(20, 1500);
            const long long day = clock.now.hour * 3600 + clock.now.minute * 60 + clock.now.second;
            for (const long long edge : {11 * 3600 + 50 * 60, 23 * 3600 + 50 * 60}) {
                if (day < edge && day + gap > edge) {
                    gap = edge - day + Between(0, 540);
                    allowance = Between(700, 1500); // long enough to run into it
                }
            }
            clock.Advance(gap);
            HandOver(kUsers[rng() % 3], allowance);
        } else if (running && !handOver && OneIn(1500)) {
            // Replaces the running session; one of no seconds is refused after ending it.
            HandOver(kUsers[rng() % 3], OneIn(4) ? 0 : Between(20, 1500));
        }
        if (running && OneIn(400)) {
            const long long bonus = Between(1, 300);
            process->session.AddBonusSeconds(static_cast<double>(bonus));
            running->bonus += bonus;
        }
        if (OneIn(3000)) {
            const std::string user = kUsers[rng() % 3];
            const int close = static_cast<int>(Between(12, 24));
            files[user] = "|||open|||0\r\n|||close|||" + std::to_string(close) + "\r\n";
            windowClose[user] = close;
        }
        if (running && OneIn(1200)) {
            Run([this] { process->session.Command6Click(); }, false);
        }
        if (OneIn(2500)) {
            files["EN"] = "|||EN|||End\r\n";
        }
        if (running && OneIn(4000)) {
            shuttingDown = true; // no launch: Windows is ending
            Run([this] { process->session.RecordRunningSession(); }, false);
            shuttingDown = false;
            ++shutdowns;
            Died(); // Windows ends: the process with it
        }
    }

    long long Value(const std::string& key, const std::string& name) {
        const auto value = ReadRecord(files, key, name);
        return value ? std::stoll(*value) : 0;
    }
    void ExpectFiles(const std::map<std::string, Range>& model, const std::string& key) {
        for (const auto& [name, range] : model) {
            const long long value = Value(key, name);
            EXPECT_GE(value, range.lo) << name;
            EXPECT_LE(value, range.hi) << name;
        }
    }
};

TEST_F(FailClosed, EveryFaultEndsAtTheLockScreenAndEverySecondIsOnRecordOnce) {
    Start();
    const long long end = LocalSeconds(clock.now) + 7 * 86400;
    while (LocalSeconds(clock.now) < end) {
        Events();
        Run([this] { process->session.Timer1Tick(); }, true);
        Run([this] { process->session.Timer2Tick(); }, false);
        clock.Advance(1);
    }
    failPerMille = deathOneIn = 0;
    files.files.erase(files.PathOf("allow")); // the last login never happens
    handOver.reset();
    if (running) {
        Run([this] { process->session.Command6Click(); }, false);
    }
    Died(); // and start again: what the journal still holds is replayed
    for (int i = 0; i < 10; ++i) {
        Run([this] { process->session.Timer1Tick(); }, true);
    }
    ASSERT_FALSE(running);
    ASSERT_EQ(process->session.PendingWrites(), 0u);
    EXPECT_EQ(files.files.count(journal), 0u);

    ExpectFiles(daily, "used");
    ExpectFiles(dated, "USED");
    ExpectFiles(weekly, "weektotal");
    // No usage file beyond the model's, except with nothing in it.
    for (const auto& [path, text] : files.files) {
        const std::string name = path.substr(files.folder.size() + 1);
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".var") == 0) {
            const std::string base = name.substr(0, name.size() - 4);
            const bool known = daily.count(base) + dated.count(base) + weekly.count(base) != 0;
            if (!known && base != "EN" && base != "allow" && base != "lastend" &&
                windowClose.count(base) == 0) {
                ADD_FAILURE() << "unexpected record file " << name << ": " << text;
            }
        } else if (name != "Tembrel.log") {
            ADD_FAILURE() << "file left over: " << name;
        }
    }
    // The run was hard enough to mean something.
    EXPECT_GE(deaths, 20);
    EXPECT_GE(faults, 500);
    EXPECT_GE(quits, 2);
    EXPECT_GE(shutdowns, 2);
    for (const CloseReason r :
         {CloseReason::TimeUp, CloseReason::HoursWindow, CloseReason::Midday,
          CloseReason::EndSession, CloseReason::Replaced, CloseReason::Recovered}) {
        EXPECT_GE(reasons[r], 1) << static_cast<int>(r);
    }
}

} // namespace
} // namespace tembrel
