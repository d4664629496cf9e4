#include "platform/fakes/FakeRegional.h"

#include <string>

namespace tembrel {

namespace {

std::string Padded(int value, std::size_t width) {
    std::string text = std::to_string(value);
    while (text.size() < width) {
        text.insert(text.begin(), '0');
    }
    return text;
}

} // namespace

std::string FakeRegional::ShortDate(const LocalTime& date) const {
    std::string out;
    const std::string& p = shortDatePattern;
    for (std::size_t i = 0; i < p.size();) {
        std::size_t run = 1;
        while (i + run < p.size() && p[i + run] == p[i]) {
            ++run;
        }
        switch (p[i]) {
        case 'M':
            out += Padded(date.month, run >= 2 ? 2 : 1);
            break;
        case 'd':
            out += Padded(date.day, run >= 2 ? 2 : 1);
            break;
        case 'y':
            out += run >= 4 ? Padded(date.year, 4) : Padded(date.year % 100, 2);
            break;
        default:
            out.append(run, p[i]);
        }
        i += run;
    }
    return out;
}

std::string FakeRegional::ToLower(std::string_view text) const {
    std::string out(text);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        // Windows-1252: A-Z, the accented capitals C0-DE (but D7, the multiplication sign), and
        // the three capitals of the 0x8_ row.
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
            c = static_cast<char>(b + 0x20);
        } else if (b == 0x8A || b == 0x8C || b == 0x8E) {
            c = static_cast<char>(b + 0x10);
        } else if (b == 0x9F) {
            c = static_cast<char>(0xFF);
        }
    }
    return out;
}

} // namespace tembrel
