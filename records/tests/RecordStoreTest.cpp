#include <gtest/gtest.h>

#include <vector>

#include "platform/Errors.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"

namespace tembrel {
namespace {

using Value = std::optional<std::string>;

class RecordStore : public ::testing::Test {
  protected:
    MemoryFiles files;
    FakeRegional regional;
    FakeClock clock;

    void Write(std::string_view key, const Value& value, std::string_view name = "r") {
        WriteRecord(files, key, name, value);
    }
    Value Read(std::string_view key, std::string_view name = "r") {
        return ReadRecord(files, key, name);
    }
};

TEST_F(RecordStore, TwoWritesGiveTheDocumentedBytes) {
    WriteRecord(files, regional, "close", "r", 20);
    WriteRecord(files, regional, "open", "r", 9);
    const std::string expected = "\x7C\x7C\x7C\x63\x6C\x6F\x73\x65\x7C\x7C\x7C\x32\x30\x0D\x0A"
                                 "\x7C\x7C\x7C\x6F\x70\x65\x6E\x7C\x7C\x7C\x39\x0D\x0A";
    EXPECT_EQ(expected.size(), 28u);
    EXPECT_EQ(files["r"], expected);

    WriteRecord(files, regional, "open", "r", 10);
    EXPECT_EQ(files["r"], "|||close|||20\r\n|||open|||10\r\n");
}

// A read finds a key in any letter case, so a write must replace it in any letter case: a quit
// signal "|||en|||End" left standing above the "None" written after it would end every later start.
TEST_F(RecordStore, AfterAQuitTheSignalReadsNoneUnderEverySpellingOfItsKey) {
    for (const char* signal : {"|||en|||End\r\n", "|||En|||End\r\n|||x|||1\r\n|||eN|||End\r\n"}) {
        files["EN"] = signal;
        Write("EN", "None", "EN");
        for (const char* key : {"EN", "en", "En", "eN"}) {
            EXPECT_EQ(Read(key, "EN"), "None") << signal << " read as " << key;
        }
    }
    // With regional settings the letters beyond A-Z fold too, as the regional read folds them.
    files["r"] = "|||\xE4rger|||1\r\n";
    WriteRecord(files, regional, "\xC4RGER", "r", std::string("2"));
    EXPECT_EQ(files["r"], "|||\xC4RGER|||2\r\n");
}

TEST_F(RecordStore, ReadFindsTheFirstMatchAnywhereUpToTheNextCr) {
    struct Case {
        const char* content;
        const char* key;
        Value value;
    };
    const Case cases[] = {
        {"|||opening|||5\r\n", "open", std::nullopt},
        {"|||reopen|||5\r\n", "open", std::nullopt},
        {"|||open|||8\r\n", "OPEN", "8"},
        {"|||k|||\r\n", "k", ""},
        {"|||k|||a|||b\nc\r\n", "k", "a|||b\nc"},
        {"|||a|||b|||v\r\n", "a|||b", "v"},
        {"|||a|||b|||v\r\n", "a", "b|||v"},
        {"|||x|||pre|||k|||inner\r\n|||k|||real\r\n", "k", "inner"},
        {"noise|||k|||v\r\n", "k", "v"},
        {"|||a|||1\r|||b|||2\r", "b", "2"},
        {"\r\n\r\n|||a|||1\r\n\r\n", "a", "1"},
        // A last line without its CR reads up to the end of the file.
        {"|||a|||1\r\n|||b|||2", "b", "2"},
        {"|||a|||1\n|||b|||2\n", "a", "1\n|||b|||2\n"},
        {"|||a|||1\r\n", "b", std::nullopt},
        {"", "a", std::nullopt},
    };
    for (const Case& c : cases) {
        files["r"] = c.content;
        EXPECT_EQ(Read(c.key), c.value) << "key " << c.key << " in \"" << c.content << '"';
    }
}

TEST_F(RecordStore, AKeyHoldingACrFindsNoValue) {
    files["r"] = "|||a\r|||v\r\n";
    EXPECT_THROW(Read("a\r"), InvalidArgument);
}

TEST_F(RecordStore, ReadOfAFileThatIsNoPlainFileIsAbsent) {
    EXPECT_EQ(Read("a", "missing"), std::nullopt);
    files["hidden"] = "|||a|||1\r\n";
    files.hidden.insert(files.PathOf("hidden"));
    EXPECT_EQ(Read("a", "hidden"), std::nullopt);
    files["dir"] = "|||a|||1\r\n";
    files.folders.insert(files.PathOf("dir"));
    EXPECT_EQ(Read("a", "dir"), std::nullopt);
}

TEST_F(RecordStore, RegionalReadFoldsLettersBeyondAToZ) {
    files["r"] = "|||\xE4rger|||1\r\n"; // "ärger" in Windows-1252
    EXPECT_EQ(ReadRecord(files, regional, "\xC4RGER", "r"), "1");
    EXPECT_EQ(ReadRecord(files, regional, "used", "r"), std::nullopt);
    // Without the code page only A-Z fold.
    EXPECT_EQ(ReadRecord(files, "\xC4RGER", "r"), std::nullopt);
    EXPECT_EQ(ReadRecord(files, "\xE4RGER", "r"), "1");
}

TEST_F(RecordStore, WriteCarriesOverAndDiscardsLines) {
    struct Case {
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"|||k|||v\r\n", "k", "v", "|||k|||v\r\n"},
        {"\r\n\r\n|||a|||1\r\n\r\n\r\n|||b|||2\r\n\r\n", "c", "3",
         "|||a|||1\r\n|||b|||2\r\n|||c|||3\r\n"},
        // The trailing empty line another writer may leave does not pile up.
        {"|||a|||1\r\n\r\n", "b", "2", "|||a|||1\r\n|||b|||2\r\n"},
        // Lines without a record are kept up to the last line holding a "|".
        {"note\r\n|||a|||1\r\ntrailer\r\nmore", "b", "2", "note\r\n|||a|||1\r\n|||b|||2\r\n"},
        {"|||a|||1\r|||b|||2\r", "c", "3", "|||a|||1\r\n|||b|||2\r\n|||c|||3\r\n"},
        {"|||a|||x\ny\r\n", "b", "2", "|||a|||x\ny\r\n|||b|||2\r\n"},
        // A last line without its CR is carried over, or replaced, like any other.
        {"|||a|||1\r\n|||b|||2", "c", "3", "|||a|||1\r\n|||b|||2\r\n|||c|||3\r\n"},
        {"|||a|||1\r\n|||b|||2", "b", "5", "|||a|||1\r\n|||b|||5\r\n"},
        {"|||a|||1\n|||b|||2\n", "c", "3", "|||a|||1\n|||b|||2\n\r\n|||c|||3\r\n"},
        {"|||a|||b|||v\r\n|||ab|||1\r\n", "a", "1", "|||ab|||1\r\n|||a|||1\r\n"},
        // A record of the key in another letter case goes too; the new one keeps its spelling.
        {"|||USED|||100\r\n|||used|||120\r\n", "used", "1", "|||used|||1\r\n"},
        {"|||usedx|||1\r\n|||xUSED|||2\r\n", "USED", "3",
         "|||usedx|||1\r\n|||xUSED|||2\r\n|||USED|||3\r\n"},
        {"no bars at all\r\n", "k", "v", "|||k|||v\r\n"},
        {"", "k", "v", "|||k|||v\r\n"},
    };
    for (const Case& c : cases) {
        files["r"] = c.before;
        Write(c.key, c.value);
        EXPECT_EQ(files["r"], c.after) << "write " << c.key << " into \"" << c.before << '"';
    }
}

TEST_F(RecordStore, WriteCreatesAMissingFileWithTheOneRecord) {
    Write("k", "v", "new");
    EXPECT_EQ(files["new"], "|||k|||v\r\n");
    EXPECT_EQ(Read("K", "new"), "v");
    EXPECT_EQ(files.files.size(), 1u) << "no temporary file is left behind";
}

TEST_F(RecordStore, NumbersAreWrittenAsPlainDecimalText) {
    regional.decimalSeparator = ",";
    WriteRecord(files, regional, "a", "r", 0);
    WriteRecord(files, regional, "b", "r", -5);
    WriteRecord(files, regional, "c", "r", 5.5);
    WriteRecord(files, regional, "d", "r", 1234567);
    EXPECT_EQ(files["r"], "|||a|||0\r\n|||b|||-5\r\n|||c|||5,5\r\n|||d|||1234567\r\n");
}

TEST_F(RecordStore, AnEmptyValueTouchesNothing) {
    Write("k", "");
    Write("k", std::nullopt);
    EXPECT_FALSE(files.Has("r"));
    files["r"] = "|||k|||v";
    Write("k", "");
    EXPECT_EQ(files["r"], "|||k|||v");
    EXPECT_EQ(files.calls, 0);
}

TEST_F(RecordStore, ACrInAValueEndsItForLaterReads) {
    Write("k", "1\r2");
    EXPECT_EQ(files["r"], "|||k|||1\r2\r\n");
    EXPECT_EQ(Read("k"), "1");
    // The tail stands as a line without a "|" after the last record, so the next write drops it.
    Write("j", "3");
    EXPECT_EQ(files["r"], "|||k|||1\r\n|||j|||3\r\n");
}

TEST_F(RecordStore, AWriteExaminesAtMost10001Lines) {
    std::string content;
    for (int i = 0; i < 10005; ++i) {
        content += "|||n" + std::to_string(i) + "|||" + std::to_string(i) + "\r\n";
    }
    files["r"] = content;
    Write("n3", "x");

    std::string expected;
    for (int i = 0; i <= 10000; ++i) {
        if (i != 3) {
            expected += "|||n" + std::to_string(i) + "|||" + std::to_string(i) + "\r\n";
        }
    }
    expected += "|||n3|||x\r\n";
    EXPECT_EQ(files["r"], expected);
}

TEST_F(RecordStore, EmptyLinesAreNotCountedAsExamined) {
    std::string content;
    for (int i = 0; i < 10001; ++i) {
        content += "\r\n|||n" + std::to_string(i) + "|||v\r\n";
    }
    files["r"] = content;
    Write("k", "v");
    EXPECT_NE(files["r"].find("|||n10000|||v\r\n|||k|||v\r\n"), std::string::npos);
}

// Failures of each step of a write: the record file keeps its old bytes, the error reaches the
// caller, and no temporary file is left behind.
TEST_F(RecordStore, AFailedWriteLeavesTheOldFileWhole) {
    const std::string old = "|||a|||1\r\n|||b|||2\r\n";
    for (const MemoryFiles::Op failing :
         {MemoryFiles::Op::Read, MemoryFiles::Op::WriteNew, MemoryFiles::Op::Replace}) {
        files.files.clear();
        files["r"] = old;
        files.beforeOp = [&](MemoryFiles::Op op, const std::string&) {
            if (op == failing) {
                throw FileError("disk full");
            }
        };
        EXPECT_THROW(Write("a", "9"), FileError) << static_cast<int>(failing);
        EXPECT_EQ(files["r"], old);
        EXPECT_EQ(files.files.size(), 1u) << static_cast<int>(failing);
    }
}

TEST_F(RecordStore, TheFirstFailureIsReportedWhenCleaningUpFailsToo) {
    files["r"] = "|||a|||1\r\n";
    files.beforeOp = [](MemoryFiles::Op op, const std::string&) {
        if (op == MemoryFiles::Op::Replace || op == MemoryFiles::Op::Remove) {
            throw FileError(op == MemoryFiles::Op::Replace ? "replace failed" : "remove failed");
        }
    };
    std::string reported;
    try {
        Write("a", "2");
    } catch (const FileError& e) {
        reported = e.what();
    }
    EXPECT_EQ(reported, "replace failed");
    EXPECT_EQ(files["r"], "|||a|||1\r\n");
}

TEST_F(RecordStore, TheRecordFileIsOnlyEverReplacedNeverRewritten) {
    files["r"] = "|||a|||1\r\n";
    std::vector<std::pair<MemoryFiles::Op, std::string>> ops;
    files.beforeOp = [&](MemoryFiles::Op op, const std::string& path) {
        ops.emplace_back(op, path);
    };
    Write("a", "2");
    const std::string path = files.PathOf("r");
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0], std::make_pair(MemoryFiles::Op::Info, path)); // its size, before reading
    EXPECT_EQ(ops[1], std::make_pair(MemoryFiles::Op::Read, path));
    EXPECT_EQ(ops[2], std::make_pair(MemoryFiles::Op::WriteNew, files.TempPathFor(path)));
    EXPECT_EQ(ops[3], std::make_pair(MemoryFiles::Op::Replace, path));
}

TEST_F(RecordStore, NamesThatAreNoPlainFileNameAreRefusedBeforeAnyFileIsTouched) {
    const char* names[] = {"",          "a\\b",     "..\\ps",  "C:ps",    "a/b",     "ps:alt",
                           "a<b",       "a>b",      "a\"b",    "a|b",     "a?",      "a*",
                           "tab\there", "bell\x07", "del\x7F", "CON",     "con",     "Nul",
                           "PRN",       "AUX",      "COM1",    "com9",    "LPT1",    "lpt9",
                           "COM0",      "NUL.txt",  "nul .x",  "CONOUT$", "COM\xB9", "NUL ",
                           "NUL.",      "NUL. .",   "COM1  ",  "AUX..",   "CON . x"};
    files["ps"] = "|||mpass|||x\r\n";
    for (const char* name : names) {
        EXPECT_THROW(Read("mpass", name), InvalidArgument) << '"' << name << '"';
        EXPECT_THROW(Write("mpass", "y", name), InvalidArgument) << '"' << name << '"';
        EXPECT_THROW(RecordPath(files, name), InvalidArgument) << '"' << name << '"';
    }
    EXPECT_EQ(files.calls, 0);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files["ps"], "|||mpass|||x\r\n");
}

TEST_F(RecordStore, OrdinaryNamesAreAccepted) {
    for (const char* name : {"allow",
                             "EN",
                             "ps",
                             "Anna",
                             "Anna12-8-2025",
                             "Anna08.12.2025",
                             "Anna 52",
                             "a..b",
                             ".hidden",
                             "CONSOLE",
                             "COM10",
                             "NULL",
                             "Z\xE9lie",
                             "con-tent",
                             "ps.",
                             "ps ",
                             "Tom Jr.",
                             "Ann2026. 12. 09.",
                             "09. 12. 2026.-Ann",
                             ".",
                             "..",
                             " NUL",
                             "NULx.",
                             "Anna  . "}) {
        EXPECT_EQ(RecordPath(files, name), "C:\\Tembrel\\" + std::string(name) + ".var");
        Write("k", "v", name);
        EXPECT_EQ(Read("k", name), "v") << name;
    }
}

TEST_F(RecordStore, AFileLargerThanAMebibyteFailsFromItsSizeUnread) {
    files["big"] = "|||k|||v\r\n" + std::string(kMaxRecordFileBytes, ' ');
    files["fits"] = "|||k|||v\r\n" + std::string(kMaxRecordFileBytes - 10, ' ');
    int reads = 0;
    files.beforeOp = [&](MemoryFiles::Op op, const std::string&) {
        reads += op == MemoryFiles::Op::Read ? 1 : 0;
    };
    EXPECT_THROW(Read("k", "big"), FileError);
    EXPECT_THROW(Write("k", "w", "big"), FileError);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(Read("k", "fits"), "v");
}

// A last line without its CR: another program may be in the middle of writing the file. Read with
// a clock, it waits until the file has been left alone for two seconds; a file whose lines all
// end, or that was finished by hand long ago, reads at once.
TEST_F(RecordStore, AFreshLastLineWithoutCrReadsAsBeingWritten) {
    clock.now = LocalTime{2025, 12, 8, 10, 0, 0};
    files.clock = &clock;
    struct Case {
        const char* text;
        int age; // seconds since the file was written
        bool busy;
    };
    const Case cases[] = {
        {"|||allow|||36", 0, true},
        {"|||allow|||36", 1, true},
        {"|||allow|||3600", 2, false},
        {"|||allow|||3600\r\n|||user|||A", 0, true},
        {"|||allow|||3600\r\n", 0, false},
        {"|||allow|||3600\r", 0, false},
        {"|||allow|||3600\n", 0, true},
        {"|||allow|||3600\r\n\n", 0, false},
        {"", 0, false},
        {"|||allow|||3600", -5, false},
    };
    for (const Case& c : cases) {
        files["allow"] = c.text;
        clock.Advance(c.age);
        if (c.busy) {
            EXPECT_THROW(ReadRecord(files, regional, clock, "ALLOW", "allow"), FileBeingWritten)
                << c.text << " " << c.age;
        } else {
            EXPECT_NO_THROW(ReadRecord(files, regional, clock, "ALLOW", "allow"))
                << c.text << " " << c.age;
        }
        // Without a clock the old rule holds: the last line reads as whole.
        EXPECT_NO_THROW(ReadRecord(files, regional, "ALLOW", "allow")) << c.text;
    }
}

// The age is measured to the millisecond (whole seconds made "two seconds" anything from one to
// two), and a read is one look-up and one read: a file that changed its size between the two was
// being written, whatever its time.
TEST_F(RecordStore, AnOpenLastLineSettlesTwoSecondsAfterItsWriteToTheMillisecond) {
    files.clock = &clock;
    struct Case {
        int writtenMs; // at 10:00:00 and this many milliseconds
        int readMs;    // at 10:00:02 and this many milliseconds
        bool growsDuringTheRead;
        bool busy;
    };
    const Case cases[] = {
        {900, 100, false, true}, {100, 100, false, false}, {101, 100, false, true},
        {0, 999, false, false},  {0, 999, true, true},
    };
    for (const Case& c : cases) {
        clock.now = LocalTime{2025, 12, 8, 10, 0, 0, c.writtenMs};
        files["allow"] = "|||allow|||36";
        clock.now = LocalTime{2025, 12, 8, 10, 0, 2, c.readMs};
        std::vector<MemoryFiles::Op> ops;
        files.beforeOp = [&](MemoryFiles::Op op, const std::string& path) {
            ops.push_back(op);
            if (op == MemoryFiles::Op::Read && c.growsDuringTheRead) {
                files.files[path] += "00";
            }
        };
        if (c.busy) {
            EXPECT_THROW(ReadRecord(files, regional, clock, "allow", "allow"), FileBeingWritten)
                << c.writtenMs << " " << c.readMs;
        } else {
            EXPECT_EQ(ReadRecord(files, regional, clock, "allow", "allow"), "36");
        }
        EXPECT_EQ(ops, (std::vector{MemoryFiles::Op::Info, MemoryFiles::Op::Read}));
        files.beforeOp = nullptr;
    }
}

class ThrowingFiles : public MemoryFiles {
  public:
    bool IsPlainFile(const std::string&) const override { throw FileError("device not ready"); }
};

TEST(RecordFileExists, IsTrueForAPlainFileOnly) {
    MemoryFiles files;
    files["plain"] = "";
    files["hidden"] = "";
    files.hidden.insert(files.PathOf("hidden"));
    files["dir"] = "";
    files.folders.insert(files.PathOf("dir"));
    EXPECT_TRUE(RecordFileExists(files, files.PathOf("plain")));
    EXPECT_FALSE(RecordFileExists(files, files.PathOf("hidden")));
    EXPECT_FALSE(RecordFileExists(files, files.PathOf("dir")));
    EXPECT_FALSE(RecordFileExists(files, files.PathOf("missing")));

    ThrowingFiles failing;
    failing["plain"] = "";
    EXPECT_FALSE(RecordFileExists(failing, failing.PathOf("plain")));
    // A read must not take the file for missing: a usage write would start again from 0.
    EXPECT_THROW(ReadRecord(failing, "k", "plain"), FileError);
}

TEST(RecordPath, LeavesRoomForTheTemporaryFileWithinTheLimitsOfAWindowsPath) {
    MemoryFiles files; // folder "C:\Tembrel": 10 characters
    EXPECT_NO_THROW(RecordPath(files, std::string(204, 'a')));
    EXPECT_THROW(RecordPath(files, std::string(205, 'a')), InvalidArgument);
    files.folder = "C:";
    EXPECT_NO_THROW(RecordPath(files, std::string(211, 'a')));
    EXPECT_THROW(RecordPath(files, std::string(212, 'a')), InvalidArgument); // one file name
    files.folder = "C:\\" + std::string(210, 'f');
    EXPECT_THROW(RecordPath(files, "allow"), InvalidArgument);
}

} // namespace
} // namespace tembrel
