#include "records/Number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "platform/Errors.h"

namespace tembrel {

namespace {

constexpr double kMaxExact = 9007199254740992.0; // 2^53: beyond it whole numbers are not exact

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void NotANumber(std::string_view text) {
    throw TypeMismatch("not a number: \"" + std::string(text) + "\"");
}

// The length of the first of `separators` (empty ones skipped) that stands at `at`, or 0.
std::size_t SeparatorAt(std::string_view body, std::size_t at,
                        std::initializer_list<std::string_view> separators) {
    for (const std::string_view separator : separators) {
        if (!separator.empty() && body.substr(at, separator.size()) == separator) {
            return separator.size();
        }
    }
    return 0;
}

double Parse(std::string_view text, std::initializer_list<std::string_view> separators) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    const std::string_view body = text.substr(begin, end - begin);
    std::size_t i = 0;
    bool negative = false;
    if (i < body.size() && (body[i] == '-' || body[i] == '+')) {
        negative = body[i] == '-';
        ++i;
    }
    double value = 0;
    std::size_t digits = 0;
    for (; i < body.size() && IsDigit(body[i]); ++i, ++digits) {
        value = value * 10 + (body[i] - '0');
    }
    if (const std::size_t separator = SeparatorAt(body, i, separators); separator > 0) {
        i += separator;
        double scale = 0.1;
        for (; i < body.size() && IsDigit(body[i]); ++i, ++digits) {
            value += (body[i] - '0') * scale;
            scale /= 10;
        }
    }
    if (digits == 0 || i != body.size() || !std::isfinite(value)) {
        NotANumber(text);
    }
    return negative ? -value : value;
}

} // namespace

double NumericValue(std::string_view text, std::string_view decimalSeparator) {
    return Parse(text, {decimalSeparator});
}

double StoredNumericValue(std::string_view text, std::string_view decimalSeparator) {
    return Parse(text, {decimalSeparator, ".", ","});
}

long long WholeNumber(std::string_view text) {
    const double value = NumericValue(text, ".");
    if (value != std::floor(value)) {
        throw TypeMismatch("not a whole number: \"" + std::string(text) + "\"");
    }
    return WholePart(value);
}

long long WholePart(double value) {
    const double whole = std::floor(value);
    if (!(whole >= -kMaxExact && whole <= kMaxExact)) {
        throw ArithmeticOverflow("number out of range");
    }
    return static_cast<long long>(whole);
}

std::string NumberText(long long value) {
    return std::to_string(value);
}

std::string NumberText(double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value)) {
        throw ArithmeticOverflow("number out of range");
    }
    if (value == std::floor(value) && std::fabs(value) <= kMaxExact) {
        return NumberText(static_cast<long long>(value));
    }
    // Fifteen significant digits, fixed notation, trailing zeros dropped.
    char buffer[400];
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        } else {
            text.replace(dot, 1, decimalSeparator);
        }
    }
    return text;
}

} // namespace tembrel
