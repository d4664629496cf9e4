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

bool Within(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

void LowerWindows1252(char& c) {
    const auto b = static_cast<unsigned char>(c);
    // A-Z, the accented capitals C0-DE (but D7, the multiplication sign), and the three capitals
    // of the 0x8_ row.
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
        c = static_cast<char>(b + 0x20);
    } else if (b == 0x8A || b == 0x8C || b == 0x8E) {
        c = static_cast<char>(b + 0x10);
    } else if (b == 0x9F) {
        c = static_cast<char>(0xFF);
    }
}

} // namespace

std::string FakeRegional::ShortDate(const LocalTime& date) const {
    std::string out;
    const std::string& p = shortDatePattern;
    for (std::size_t i = 0; i < p.size();) {
        if (CharacterSize(*this, p, i) == 2) {
            out.append(p, i, 2); // a literal character of two bytes, whatever its trail byte
            i += 2;
            continue;
        }
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

bool FakeRegional::IsLeadByte(unsigned char byte) const {
    switch (codePage) {
    case 932:
        return Within(byte, 0x81, 0x9F) || Within(byte, 0xE0, 0xFC);
    case 936:
    case 949:
    case 950:
        return Within(byte, 0x81, 0xFE);
    default:
        return false;
    }
}

bool FakeRegional::IsDoubleByteCharacter(unsigned char lead, unsigned char trail) const {
    if (!IsLeadByte(lead)) {
        return false;
    }
    switch (codePage) {
    case 932:
        return Within(trail, 0x40, 0x7E) || Within(trail, 0x80, 0xFC);
    case 936:
        return Within(trail, 0x40, 0x7E) || Within(trail, 0x80, 0xFE);
    case 949:
        return Within(trail, 0x41, 0x5A) || Within(trail, 0x61, 0x7A) || Within(trail, 0x81, 0xFE);
    default: // 950
        return Within(trail, 0x40, 0x7E) || Within(trail, 0xA1, 0xFE);
    }
}

std::string FakeRegional::ToLower(std::string_view text) const {
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        if (CharacterSize(*this, out, i) == 2) {
            const auto lead = static_cast<unsigned char>(out[i]);
            const auto trail = static_cast<unsigned char>(out[i + 1]);
            // The full-width capitals Ａ to Ｚ.
            if (codePage == 932 && lead == 0x82 && Within(trail, 0x60, 0x79)) {
                out[i + 1] = static_cast<char>(trail + 0x21);
            } else if ((codePage == 936 || codePage == 949) && lead == 0xA3 &&
                       Within(trail, 0xC1, 0xDA)) {
                out[i + 1] = static_cast<char>(trail + 0x20);
            }
            i += 2;
            continue;
        }
        if (IsLeadByte(0x81)) {
            // The single bytes of a double-byte code page: only A-Z have a lower case here.
            if (out[i] >= 'A' && out[i] <= 'Z') {
                out[i] = static_cast<char>(out[i] + 0x20);
            }
        } else {
            LowerWindows1252(out[i]);
        }
        ++i;
    }
    return out;
}

} // namespace tembrel
