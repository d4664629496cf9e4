// The record store and the value functions under other countries' settings: double-byte code
// pages, whose trail bytes may be letters, "\" or "|", short dates with dots, spaces and literal
// text, and decimal commas.
#include <gtest/gtest.h>

#include <string>

#include "platform/Errors.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"
#include "records/Number.h"
#include "records/Optionals.h"

namespace tembrel {
namespace {

FakeRegional CodePage(unsigned codePage) {
    FakeRegional regional;
    regional.codePage = codePage;
    return regional;
}

// Katakana "sora" in code page 932: the trail byte of "so" is "\".
constexpr const char* kSora = "\x83\x5C\x83\x89";
// Katakana "po-ru" (Paul) in 932: the trail byte of "po" is "|", that of the long vowel "[".
constexpr const char* kPaul = "\x83\x7C\x81\x5B\x83\x8B";

TEST(CodePage, RecordNamesAreCheckedCharacterByCharacter) {
    struct Case {
        unsigned codePage;
        std::string name;
        bool plain;
    };
    const Case cases[] = {
        {932, kSora, true},
        {932, kPaul, true},
        {932, std::string(kSora) + "\\x", false}, // a real separator after the character
        {932, "\x95\x5C", true},                  // "table", trail "\"
        {936, "\xD5\x7C\xC1\xFA", true},          // trail "|" is a trail byte in 936 too
        {950, "\xA5\x5C", true},                  // Big5 "gong", trail "\"
        {949, "\xB9\xCE\xBC\xF6", true},          // Korean "minsu"
        {949, "\x81\x5C", false},                 // "\" is no trail byte in 949
        {932, "Ann\x83", false},                  // a lead byte with nothing after it
        {932, "\x83\x0D", false},                 // a line end is no trail byte
        {1252, kSora, false},                     // one byte a character: "\" is a separator
        {1252, "COM\xB9", false},                 // COM-superscript-one is a port
        {932, "COM\xB9", true},                   // ... but "COM" and a katakana in 932
        {932, "NUL\x83\x41", true},
        {932, "NUL ." + std::string(kSora), false},
    };
    MemoryFiles files;
    for (const Case& c : cases) {
        const FakeRegional regional = CodePage(c.codePage);
        if (c.plain) {
            EXPECT_EQ(RecordPath(files, regional, c.name), files.PathOf(c.name)) << c.codePage;
        } else {
            EXPECT_THROW(RecordPath(files, regional, c.name), InvalidArgument) << c.codePage;
        }
    }
    // A character of two bytes counts once against the length limits, as in Windows.
    const FakeRegional japanese = CodePage(932);
    std::string longName;
    for (int i = 0; i < 100; ++i) {
        longName += kSora;
    }
    EXPECT_NO_THROW(RecordPath(files, japanese, longName)); // 200 characters, 400 bytes
    EXPECT_THROW(RecordPath(files, longName), InvalidArgument);
}

TEST(CodePage, ARecordNamedAfterADoubleByteNameIsWrittenAndReadBack) {
    MemoryFiles files;
    const FakeRegional regional = CodePage(932);
    const std::string user = std::string(kSora) + kPaul;
    WriteRecord(files, regional, "used", user + "2026-12-09", std::string("300"));
    WriteRecord(files, regional, "weektotal", "50" + user + "2026", 300.0);
    EXPECT_EQ(ReadRecord(files, regional, "USED", user + "2026-12-09"), "300");
    EXPECT_EQ(files["50" + user + "2026"], "|||weektotal|||300\r\n");
}

TEST(CodePage, TheKeyIsFoundOnlyWhereAWholeCharacterBegins) {
    MemoryFiles files;
    // A hint that ends in "po" (trail byte "|") and two bars looks like "|||mpass|||" byte for
    // byte; the real record follows.
    files["ps"] =
        "|||mhint|||" + std::string(kPaul) + "\x83\x7C||mpass|||fake\r\n|||mpass|||real\r\n";
    EXPECT_EQ(ReadRecord(files, CodePage(932), "mpass", "ps"), "real");
    EXPECT_EQ(ReadRecord(files, CodePage(1252), "mpass", "ps"), "fake"); // bytes, as Windows-1252

    // Lower-casing leaves a trail byte that is a capital alone: "a" (0x83 0x41) and "di"
    // (0x83 0x61) are two different keys, though their trail bytes are "A" and "a".
    files["u"] = "|||\x83\x61|||di\r\n|||\x83\x41|||a\r\n|||\x82\x60|||wide\r\n";
    EXPECT_EQ(ReadRecord(files, CodePage(932), "\x83\x41", "u"), "a");
    // The full-width capital A matches its small letter (0x82 0x81), as the system folds it.
    EXPECT_EQ(ReadRecord(files, CodePage(932), "\x82\x81", "u"), "wide");
}

TEST(CodePage, DateKeysOfEveryKindOfShortDateNameAFile) {
    const LocalTime date{2026, 12, 9};
    struct Case {
        unsigned codePage;
        const char* pattern;
        std::string key;
    };
    const Case cases[] = {
        {1252, "yyyy. MM. dd.", "2026. 12. 09."}, // Hungarian
        {1252, "dd. MM. yyyy.", "09. 12. 2026."}, // Croatian
        {1252, "d.M.yyyy", "9.12.2026"},          // no leading zeros, day first
        {1252, "yyyy/MM/dd", "2026-12-09"},       // Japanese, year first
        {1252, "dd-MM-yy", "09-12-26"},
        {1252, "d MM yyyy 'g'", "9 12 2026 'g'"}, // literal text
        {1252, "dd\\MM\\yyyy", "09-12-2026"},     // characters no file name may hold
        {1252, "dd:MM:yyyy", "09-12-2026"},
        {1252, "d?M*yy|\"<>", "9-12-26----"},
        {1252, "d\x01M\ty", "9-12-26"},
        {1252, "", "2026-12-09"}, // a format that yields nothing
        {932,
         "yyyy\x94\x4EM\x8C\x8E"
         "d\x93\xFA",
         "2026\x94\x4E"
         "12\x8C\x8E"
         "9\x93\xFA"},
        {932, "d\x83\x5CM",
         "9\x83\x5C"
         "12"},                             // a literal "so": its "\" stays
        {949, "yyyy\x81\x5CM", "2026--12"}, // no character: both bytes go
        {949, "yyyy-MM-dd \xB3\xE2", "2026-12-09 \xB3\xE2"},
    };
    MemoryFiles files;
    for (const Case& c : cases) {
        FakeRegional regional = CodePage(c.codePage);
        regional.shortDatePattern = c.pattern;
        const std::string key = DateKey(regional, date);
        EXPECT_EQ(key, c.key) << c.pattern;
        EXPECT_NO_THROW(RecordPath(files, regional, "Ann" + key)) << key;
        EXPECT_NO_THROW(RecordPath(files, regional, key + "-Ann")) << key;
    }
}

TEST(CodePage, StoredNumbersReadUnderEitherSeparator) {
    struct Case {
        const char* text;
        const char* separator;
        double value;
    };
    for (const Case& c :
         {Case{"600", ",", 600}, Case{"600.5", ",", 600.5}, Case{"600,5", ".", 600.5},
          Case{" 7,25 ", ",", 7.25}, Case{"3'5", "'", 3.5}, Case{"-1,5", ".", -1.5}}) {
        EXPECT_DOUBLE_EQ(StoredNumericValue(c.text, c.separator), c.value) << c.text;
    }
    for (const char* text : {"1,5.5", "1.5,5", "1 5", "", ",", "5,,5", "1,234,567"}) {
        EXPECT_THROW(StoredNumericValue(text, ","), TypeMismatch) << '"' << text << '"';
    }
    // What the user types is read by the user's separator alone.
    EXPECT_THROW(NumericValue("600.5", ","), TypeMismatch);
}

TEST(CodePage, ShiftTextShiftsADoubleByteCharacterAsItsSixteenBitCode) {
    const FakeRegional japanese = CodePage(932);
    // Hiragana "a" is 0x82A0: one code lower is 0x829F, small "a", where the bytes one by one
    // would give 0x81 0x9F.
    EXPECT_EQ(ShiftText(japanese, "\x82\xA0", 0), "\x82\x9F");
    EXPECT_EQ(ShiftText("\x82\xA0", 0), "\x81\x9F");
    EXPECT_EQ(ShiftText(japanese, "a\x82\xA0z", 1), "b\x82\xA1{");
    // A trail byte of "@" goes below the trail bytes but keeps its lead byte, and comes back.
    EXPECT_EQ(ShiftText(japanese, "\x81\x40", 0), "\x81\x3F");
    EXPECT_EQ(ShiftText(japanese, "\x81\x3F", 1), "\x81\x40");
    EXPECT_EQ(ShiftText(japanese, "", 0), "");

    // Down and up again gives every character of every double-byte code page back.
    for (const unsigned codePage : {932u, 936u, 949u, 950u}) {
        const FakeRegional regional = CodePage(codePage);
        std::string all = "Pass word ";
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (regional.IsDoubleByteCharacter(static_cast<unsigned char>(lead),
                                                   static_cast<unsigned char>(trail))) {
                    all += static_cast<char>(lead);
                    all += static_cast<char>(trail);
                }
            }
        }
        EXPECT_EQ(ShiftText(regional, ShiftText(regional, all, 0), 1), all) << codePage;
    }

    // Codes that would leave their lead byte, or a single byte that would become a lead byte and
    // swallow the next character, have no character of the same length.
    EXPECT_THROW(ShiftText(japanese, "\x81\xFF", 1), ArithmeticOverflow);
    EXPECT_THROW(ShiftText(japanese, "\x80z", 1), ArithmeticOverflow);
    EXPECT_THROW(ShiftText(japanese, std::string("a\0", 2), 0), ArithmeticOverflow);
}

} // namespace
} // namespace tembrel
