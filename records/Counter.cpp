#include "records/Counter.h"

#include <charconv>
#include <cmath>

#include "platform/Errors.h"
#include "records/FileHandle.h"
#include "records/Number.h"

namespace tembrel {

namespace {

// A write looks at no more than this many lines of the old file; what lies beyond is dropped. It
// caps the work on a file that has grown or been damaged.
constexpr int kMaxExaminedLines = 10001;

// 2^53: up to here whole seconds are exact, and so is every step of the clock text.
constexpr double kMaxExactSeconds = 9007199254740992.0;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The old text without the lines of `key` in any letter case, each kept line ending in CR LF,
// followed by the new record. One pass over the old text: every line is copied at most once.
std::string RewrittenText(const Regional& regional, std::string_view old, std::string_view key,
                          std::string_view value) {
    const std::string pattern = RecordPattern(key);
    const std::string foldedPattern = regional.ToLower(pattern);
    const std::string folded = regional.ToLower(old);
    if (folded.size() != old.size()) {
        // A line's position must mean the same byte in both texts.
        throw InvalidArgument("lower-casing changed the length of a record file");
    }
    std::string text;
    text.reserve(old.size() + pattern.size() + value.size() + 2);

    // Examining stops once no "|" lies ahead: the rest of the file is dropped.
    const std::size_t lastBar = old.rfind('|');
    std::size_t pos = 0;
    const auto barAhead = [&] { return lastBar != std::string_view::npos && lastBar >= pos; };
    for (int examined = 0; examined < kMaxExaminedLines && barAhead(); ++examined) {
        // Empty lines and the LF of a CR LF vanish here; a "|" still lies ahead, so this stops
        // before the end.
        while (IsLineEnd(old[pos])) {
            ++pos;
        }
        // A last line without its CR ends at the end of the file and is carried over like any
        // other, so the file gets its line end back.
        std::size_t cr = old.find('\r', pos);
        if (cr == std::string_view::npos) {
            cr = old.size();
        }
        // Letter case folded as a read folds it: a read finds the first record of the key in any
        // spelling, so a record left behind under another spelling ("|||en|||End" under a write
        // of "EN") would hide every later write of it.
        if (std::string_view(folded).substr(pos, foldedPattern.size()) != foldedPattern) {
            text.append(old.substr(pos, cr - pos)).append("\r\n");
        }
        pos = cr + 1;
    }

    text.append(pattern).append(value).append("\r\n");
    return text;
}

} // namespace

void ReplaceFile(Files& files, const std::string& path, std::string_view text) {
    // Write beside the file and swap it in: a failure anywhere leaves the old file whole, and
    // engine.exe, which reads these files at any moment, sees the old or the new one.
    const std::string temp = files.TempPathFor(path);
    try {
        files.WriteNew(temp, text);
        files.Replace(temp, path);
    } catch (...) {
        try {
            files.Remove(temp);
        } catch (...) {
            // The first failure is the one the caller needs to hear about.
        }
        throw;
    }
}

namespace {

void WriteRecordAt(Files& files, const Regional& regional, const std::string& path,
                   std::string_view key, const std::string& value) {
    const std::string old = ReadRecordText(files, path).value_or("");
    ReplaceFile(files, path, RewrittenText(regional, old, key, value));
}

} // namespace

void WriteRecord(Files& files, std::string_view key, std::string_view name,
                 const std::optional<std::string>& value) {
    // The store cannot hold an empty value, so writing one leaves everything as it is.
    if (value && !value->empty()) {
        WriteRecordAt(files, SingleByteCodePage(), RecordPath(files, name), key, *value);
    }
}

void WriteRecord(Files& files, const Regional& regional, std::string_view key,
                 std::string_view name, const std::optional<std::string>& value) {
    if (value && !value->empty()) {
        WriteRecordAt(files, regional, RecordPath(files, regional, name), key, *value);
    }
}

void WriteRecord(Files& files, const Regional& regional, std::string_view key,
                 std::string_view name, double value) {
    WriteRecord(files, regional, key, name, NumberText(value, regional.DecimalSeparator()));
}

std::string SecondsToClock(std::optional<double> seconds, std::string_view decimalSeparator) {
    double rest = seconds.value_or(0);
    long long minutes = 0;
    if (rest >= kMaxExactSeconds) {
        throw ArithmeticOverflow("too many seconds for a clock text");
    }
    if (rest >= 0 && rest == std::floor(rest)) {
        // Whole seconds, the text of every tick: one buffer, no texts joined.
        const auto whole = static_cast<long long>(rest);
        char buffer[32];
        char* end = std::to_chars(buffer, buffer + 20, whole / 3600).ptr;
        if (end - buffer == 1) {
            buffer[1] = buffer[0];
            buffer[0] = '0';
            end = buffer + 2;
        }
        const long long minute = whole / 60 % 60;
        const long long second = whole % 60;
        for (const long long field : {minute, second}) {
            *end++ = ':';
            *end++ = static_cast<char>('0' + field / 10);
            *end++ = static_cast<char>('0' + field % 10);
        }
        return std::string(buffer, end);
    }
    if (rest >= 60) {
        // Whole minutes taken away, as by taking 60 away while at least 60 is left. Below 2^53
        // every such subtraction is exact, so one multiplication gives the same remainder; the
        // corrections catch a quotient that rounded across a whole number.
        minutes = WholePart(rest / 60);
        rest -= 60.0 * static_cast<double>(minutes);
        if (rest < 0) {
            --minutes;
            rest += 60;
        } else if (rest >= 60) {
            ++minutes;
            rest -= 60;
        }
    }
    const auto padded = [](std::string text) { return text.size() == 1 ? "0" + text : text; };
    return padded(NumberText(minutes / 60)) + ":" + padded(NumberText(minutes % 60)) + ":" +
           padded(NumberText(rest, decimalSeparator));
}

} // namespace tembrel
