#include "platform/win32/Win32Regional.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Errors.h"
#include "platform/win32/Text.h"

namespace tembrel {
namespace {

// What the system itself says, so that the tests hold under any locale.
std::string SystemShortDate(int year, int month, int day) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    wchar_t buffer[128];
    const int length = ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr,
                                         buffer, 128, nullptr);
    return WideToAnsi(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

TEST(Win32RegionalTest, ShortDateIsTheSystemsShortDate) {
    const Win32Regional regional;
    const LocalTime dates[] = {{2025, 12, 8}, {2025, 1, 31}, {2000, 2, 29}, {2024, 12, 31}};
    for (const LocalTime& d : dates) {
        const std::string text = regional.ShortDate(d);
        EXPECT_EQ(text, SystemShortDate(d.year, d.month, d.day));
        EXPECT_NE(text.find(std::to_string(d.day)), std::string::npos) << text;
    }
}

TEST(Win32RegionalTest, AnImpossibleDateIsRefused) {
    const Win32Regional regional;
    EXPECT_THROW(regional.ShortDate({2025, 13, 1}), InvalidArgument);
    EXPECT_THROW(regional.ShortDate({2025, 2, 30}), InvalidArgument);
}

TEST(Win32RegionalTest, DecimalSeparatorIsTheUsers) {
    wchar_t buffer[16];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 16);
    ASSERT_GT(length, 1);
    EXPECT_EQ(Win32Regional().DecimalSeparator(),
              WideToAnsi(std::wstring_view(buffer, static_cast<std::size_t>(length - 1))));
}

TEST(Win32RegionalTest, ToLowerKeepsEveryByteInItsPlace) {
    const Win32Regional regional;
    EXPECT_EQ(regional.ToLower("|||ALLOW|||Ann 12 Zz"), "|||allow|||ann 12 zz");
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string lower = regional.ToLower(all);
    ASSERT_EQ(lower.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c >= 'A' && c <= 'Z') {
            EXPECT_EQ(lower[i], c + ('a' - 'A'));
        } else if (static_cast<unsigned char>(c) < 0x80) {
            EXPECT_EQ(lower[i], c);
        }
    }
}

TEST(Win32RegionalTest, ToLowerFollowsTheAnsiCodePage) {
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "code page " << ::GetACP();
    }
    const Win32Regional regional;
    // A-grave, O-umlaut, S-caron, Y-diaeresis; the multiplication sign has no lower case.
    EXPECT_EQ(regional.ToLower("\xC0\xD6\x8A\x9F\xD7"), "\xE0\xF6\x9A\xFF\xD7");
}

} // namespace
} // namespace tembrel
