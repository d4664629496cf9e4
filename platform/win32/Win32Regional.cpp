#include "platform/win32/Win32Regional.h"

#include <windows.h>

#include <string>

#include "platform/Errors.h"
#include "platform/win32/Text.h"

namespace tembrel {

namespace {

// Marks that some locales put into their date formats to steer the writing direction. They have
// no ANSI form and would turn into "?", which no file name may hold.
bool IsDirectionMark(wchar_t c) {
    return c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E);
}

// The lower case of one character of the code page, or the character itself when it has none or
// its lower case would not take the same number of bytes.
std::string LowerCharacter(std::string_view character) {
    wchar_t wide = 0;
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, character.data(),
                              static_cast<int>(character.size()), &wide, 1) != 1) {
        return std::string(character);
    }
    wchar_t lowered = 0;
    if (::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, &wide, 1, &lowered, 1, nullptr,
                        nullptr, 0) != 1 ||
        lowered == wide) {
        return std::string(character);
    }
    bool lossy = false;
    std::string back = WideToAnsi(std::wstring_view(&lowered, 1), &lossy);
    return !lossy && back.size() == character.size() ? back : std::string(character);
}

} // namespace

Win32Regional::Win32Regional() : codePage_(::GetACP()) {
    // One table for the single bytes of the code page, built once; the characters of two bytes
    // of a double-byte code page are lower-cased one by one as they come.
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        lower_[byte] = byte;
        leadByte_[byte] = ::IsDBCSLeadByte(byte) != FALSE;
        if (leadByte_[byte] || b == 0) {
            continue;
        }
        const char in = static_cast<char>(byte);
        lower_[byte] = static_cast<unsigned char>(LowerCharacter(std::string_view(&in, 1))[0]);
    }
}

std::string Win32Regional::ShortDate(const LocalTime& date) const {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(date.year);
    t.wMonth = static_cast<WORD>(date.month);
    t.wDay = static_cast<WORD>(date.day);
    wchar_t buffer[128];
    const int length = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr,
                                         buffer, static_cast<int>(std::size(buffer)), nullptr);
    if (length <= 0) {
        throw InvalidArgument("no short date for " + std::to_string(date.year) + "-" +
                              std::to_string(date.month) + "-" + std::to_string(date.day) +
                              ": error " + std::to_string(::GetLastError()));
    }
    std::wstring text;
    for (int i = 0; i < length - 1; ++i) {
        if (!IsDirectionMark(buffer[i])) {
            text += buffer[i];
        }
    }
    return WideToAnsi(text);
}

std::string Win32Regional::DecimalSeparator() const {
    wchar_t buffer[16];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer,
                                         static_cast<int>(std::size(buffer)));
    if (length <= 1) {
        return ".";
    }
    return WideToAnsi(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

bool Win32Regional::IsDoubleByteCharacter(unsigned char lead, unsigned char trail) const {
    if (!leadByte_[lead]) {
        return false;
    }
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t wide[2] = {};
    return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) == 1;
}

std::string Win32Regional::ToLower(std::string_view text) const {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        if (leadByte_[byte] && i + 1 < out.size()) {
            // A character of two bytes, lower-cased whole (the full-width capitals have a lower
            // case); its trail byte is no letter of its own, even where it is the byte of one.
            const std::string lowered = LowerCharacter(std::string_view(out).substr(i, 2));
            out[i + 1] = lowered[1];
            out[i] = lowered[0];
            ++i;
            continue;
        }
        out[i] = static_cast<char>(lower_[byte]);
    }
    return out;
}

} // namespace tembrel
