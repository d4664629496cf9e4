// Numeric reading, the clock text, the hours window, the password codec and the stored password
// hash text on arbitrary input, each checked against what it must give back, not only for
// crashes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Errors.h"
#include "records/Counter.h"
#include "records/Number.h"
#include "records/Optionals.h"
#include "records/PasswordHash.h"

using namespace tembrel;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

bool Near(double a, double b) {
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

void Numbers(FuzzedDataProvider& input, const std::string& separator) {
    const std::string text = input.ConsumeRandomLengthString(40);
    double value = 0;
    try {
        value = NumericValue(text, separator);
    } catch (const TypeMismatch&) {
        return;
    }
    Check(std::isfinite(value), "a number read is finite");
    bool digitsOnly = !text.empty() && text.size() <= 15;
    for (const char c : text) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    if (digitsOnly) {
        Check(value == static_cast<double>(std::strtoll(text.c_str(), nullptr, 10)),
              "whole numbers read exactly");
    }
    // What we write, we read back.
    const std::string written = NumberText(value, separator);
    Check(Near(NumericValue(written, separator), value), "number text reads back");
    if (std::fabs(value) < 9007199254740992.0) {
        const long long whole = WholePart(value);
        Check(static_cast<double>(whole) <= value && value < static_cast<double>(whole) + 1,
              "whole part");
    }
}

void ClockText(FuzzedDataProvider& input, const std::string& separator) {
    const double seconds = input.ConsumeBool()
                               ? static_cast<double>(input.ConsumeIntegral<std::int64_t>())
                               : input.ConsumeFloatingPoint<double>();
    std::string text;
    try {
        text = SecondsToClock(seconds, separator);
    } catch (const ArithmeticOverflow&) {
        Check(!std::isfinite(seconds) || seconds >= 9007199254740992.0, "clock overflow range");
        return;
    }
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first + 1);
    Check(first != std::string::npos && second != std::string::npos, "two colons");
    const double hours = NumericValue(text.substr(0, first), separator);
    const double minutes = NumericValue(text.substr(first + 1, second - first - 1), separator);
    const double rest = NumericValue(text.substr(second + 1), separator);
    Check(second - first == 3 && minutes >= 0 && minutes < 60, "minutes field");
    Check(first >= 2, "hours at least two digits");
    if (seconds < 60) {
        Check(hours == 0 && minutes == 0 && Near(rest, seconds), "short times in the seconds");
        return;
    }
    Check(rest >= 0 && rest < 60, "seconds field");
    if (seconds == std::floor(seconds)) {
        Check(hours * 3600 + minutes * 60 + rest == seconds, "whole seconds add up exactly");
        Check(text.size() - second - 1 == 2, "two-digit seconds");
    } else {
        Check(Near(hours * 3600 + minutes * 60 + rest, seconds), "fractions add up");
    }
}

std::optional<std::string> MaybeHour(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
        return std::nullopt;
    case 1:
        return std::to_string(input.ConsumeIntegralInRange(-60, 60));
    default:
        return input.ConsumeRandomLengthString(8);
    }
}

void Hours(FuzzedDataProvider& input, const std::string& separator) {
    const std::optional<std::string> open = MaybeHour(input);
    const std::optional<std::string> close = MaybeHour(input);
    const int hour = input.ConsumeIntegralInRange(0, 23);
    std::optional<std::string> state;
    try {
        state = HoursWindowState(open, close, hour, separator);
    } catch (const TypeMismatch&) {
        return;
    }
    if (open.value_or("") == close.value_or("")) {
        Check(state == "OPEN", "equal hours mean open all day");
        return;
    }
    const double first = open ? NumericValue(*open, separator) : 0;
    const double last = (close ? NumericValue(*close, separator) : 0) - first - 1;
    if (last < 0) {
        Check(!state, "no verdict across midnight");
        return;
    }
    Check(state == "OPEN" || state == "CLOSED", "a verdict");
    // The plain walk over every hour of the window, where it is short enough to take.
    if (std::fabs(first) < 1e6 && last < 1e6) {
        bool inside = false;
        for (double i = 0; i <= last; ++i) {
            inside = inside || first + i == hour;
        }
        Check(state == (inside ? "OPEN" : "CLOSED"), "same verdict as walking the window");
    }
}

void Shift(FuzzedDataProvider& input) {
    const int direction = input.ConsumeIntegralInRange(-2, 2);
    const std::string text = input.ConsumeRandomLengthString(32);
    const char edge = direction == 0 ? '\0' : '\xFF';
    std::string shifted;
    try {
        shifted = ShiftText(text, direction);
    } catch (const ArithmeticOverflow&) {
        Check(text.find(edge) != std::string::npos, "only an edge byte overflows");
        return;
    }
    Check(text.find(edge) == std::string::npos && shifted.size() == text.size(), "shift length");
    Check(ShiftText(shifted, direction == 0 ? 1 : 0) == text, "shifting back restores the text");
}

// A stored hash comes from a file a child may have written: it parses only in the one form, and
// what parses is written back as the same hash.
void HashText(FuzzedDataProvider& input) {
    std::string text = input.ConsumeRandomLengthString(160);
    if (input.ConsumeBool()) {
        text = "pbkdf2-sha256$" + text; // past the algorithm, where the fields are read
    }
    PasswordHash hash;
    try {
        hash = ParsePasswordHash(text);
    } catch (const DamagedPasswordHash&) {
        return;
    }
    Check(hash.iterations >= PasswordHash::kMinIterations &&
              hash.iterations <= PasswordHash::kMaxIterations,
          "a parsed count is within bounds");
    const std::string written = FormatPasswordHash(hash);
    Check(written.size() == 14 + std::to_string(hash.iterations).size() + 1 + 32 + 1 + 64,
          "the written form has its lengths");
    const PasswordHash again = ParsePasswordHash(written);
    Check(again.iterations == hash.iterations && again.salt == hash.salt && again.hash == hash.hash,
          "the written hash reads back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string separator = input.PickValueInArray({".", ",", "", " ", "::"});
    switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
        Numbers(input, separator);
        break;
    case 1:
        ClockText(input, separator.empty() || separator == " " ? "." : separator);
        break;
    case 2:
        Hours(input, separator);
        break;
    case 3:
        Shift(input);
        break;
    default:
        HashText(input);
        break;
    }
    return 0;
}
