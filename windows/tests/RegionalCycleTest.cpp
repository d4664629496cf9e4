// The daily cycle under one country's regional settings, as regional-cycle-test.sh sets them up
// (Wine takes them from LC_ALL): each child logs in, counts down, is closed and recorded under
// the date key of that country. The script tells what the settings must be, so that a locale that
// did not take effect fails instead of passing as the default one:
//   TEMBREL_REGION_CODE_PAGE  the ANSI code page, e.g. 1250 or 932
//   TEMBREL_REGION_DECIMAL    the decimal separator, "." or ","
//   TEMBREL_REGION_DATE_KEY   today's date key, e.g. "2026. 12. 09."
//   TEMBREL_REGION_WEEK_KEY   today's week key, e.g. "50"
//   TEMBREL_REGION_CHILDREN   the children's names, separated by "|" (no file name holds one)
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Text.h"
#include "windows/tests/EndToEnd.h"

namespace tembrel {
namespace {

constexpr int kAllowance = 3;

std::optional<std::wstring> Setting(const wchar_t* name) {
    wchar_t buffer[512];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 512);
    if (length == 0 || length >= 512) {
        return std::nullopt;
    }
    return std::wstring(buffer, length);
}

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

struct Child {
    std::wstring wide;
    std::string ansi; // as the lock screen writes it into allow.var
};

TEST(RegionalCycleTest, EveryChildLogsInCountsDownAndIsRecorded) {
    const auto codePage = Setting(L"TEMBREL_REGION_CODE_PAGE");
    const auto decimal = Setting(L"TEMBREL_REGION_DECIMAL");
    const auto dateKeyWide = Setting(L"TEMBREL_REGION_DATE_KEY");
    const auto weekKey = Setting(L"TEMBREL_REGION_WEEK_KEY");
    const auto names = Setting(L"TEMBREL_REGION_CHILDREN");
    if (!codePage || !decimal || !dateKeyWide || !weekKey || !names) {
        GTEST_SKIP() << "run by regional-cycle-test.sh, which names the country's settings";
    }
    ASSERT_EQ(std::to_wstring(GetACP()), *codePage) << "the locale did not take effect";
    wchar_t separator[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    ASSERT_EQ(std::wstring(separator), *decimal);
    bool lossy = false;
    const std::string dateKey = WideToAnsi(*dateKeyWide, &lossy);
    ASSERT_FALSE(lossy);
    const std::string week = WideToAnsi(*weekKey);
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const std::string year = std::to_string(today.wYear);

    std::vector<Child> children;
    for (std::size_t start = 0; start <= names->size();) {
        const std::size_t end = std::min(names->find(L'|', start), names->size());
        Child child{names->substr(start, end - start), {}};
        child.ansi = WideToAnsi(child.wide, &lossy);
        ASSERT_FALSE(lossy) << "the code page lacks a character of child " << children.size() + 1;
        children.push_back(child);
        start = end + 1;
    }

    TempFolder folder;
    std::string failed;
    ASSERT_TRUE(InstallProgram(folder, failed)) << failed;
    WriteFileDirect(folder / "handed-over.txt", "yes"); // only the queued hand-overs
    for (std::size_t i = 0; i < children.size(); ++i) {
        WriteFileDirect(folder / ("handover-" + std::to_string(i + 1) + ".txt"),
                        "|||allow|||" + std::to_string(kAllowance) + "\r\n|||user|||" +
                            children[i].ansi + "\r\n");
    }
    // The first child has used time today and this week already: the daily use was written
    // before the parent changed the decimal separator, the weekly total after.
    const std::string other = *decimal == L"," ? "." : ",";
    const Child& first = children.front();
    WriteFileDirect(folder / (first.ansi + dateKey + ".var"), "|||used|||60" + other + "0\r\n");
    WriteFileDirect(folder / (week + first.ansi + year + ".var"),
                    "|||weektotal|||100" + WideToAnsi(*decimal) + "0\r\n");

    Process tembrel;
    ASSERT_TRUE(tembrel.Start(folder / "Tembrel.exe", folder.Path()));
    ASSERT_TRUE(WaitFor([&] { return SessionWindowOf(tembrel.info.dwProcessId) != nullptr; },
                        std::chrono::seconds(30)));

    std::vector<std::string> expectedFiles;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const std::string& name = children[i].ansi;
        const std::string daily = std::to_string(kAllowance + (i == 0 ? 60 : 0));
        const std::string weekly = std::to_string(kAllowance + (i == 0 ? 100 : 0));
        const std::vector<std::pair<std::string, std::string>> records = {
            {name + dateKey + ".var", "|||used|||" + daily + "\r\n"},
            {dateKey + "-" + name + ".var", "|||USED|||" + daily + "\r\n"},
            {week + name + year + ".var", "|||weektotal|||" + weekly + "\r\n"},
        };
        for (const auto& [file, text] : records) {
            EXPECT_TRUE(WaitFor([&] { return ReadIfThere(folder / file) == text; },
                                std::chrono::seconds(30)))
                << "child " << i + 1 << ": " << file << " holds \"" << ReadIfThere(folder / file)
                << "\", not \"" << text << "\"";
            expectedFiles.push_back(file);
        }
        // The history keeps the name as the records do, in the code page; the page shows it in
        // UTF-8.
        const std::string row =
            ",\"" + children[i].ansi + "\"," + std::to_string(kAllowance) + ",0,time up,0\r\n";
        EXPECT_TRUE(WaitFor(
            [&] {
                return ReadIfThere(folder / "Tembrel usage.csv").find(row) != std::string::npos;
            },
            std::chrono::seconds(10)))
            << "child " << i + 1 << " missing from the history:\n"
            << ReadIfThere(folder / "Tembrel usage.csv");
        const std::string heading = "<h2>" + Utf8(children[i].wide) + "</h2>";
        EXPECT_TRUE(WaitFor(
            [&] {
                return ReadIfThere(folder / "Tembrel usage.html").find(heading) !=
                       std::string::npos;
            },
            std::chrono::seconds(10)))
            << "child " << i + 1 << " missing from the page";
    }
    ASSERT_TRUE(
        WaitFor([&] { return !ExistsDirect(folder / "allow.var"); }, std::chrono::seconds(10)));
    // No record under any other name: a date key or user name bent on the way shows up here.
    std::vector<std::string> varFiles = FilesIn(folder, "*.var");
    std::sort(varFiles.begin(), varFiles.end());
    // Beside them only why the last session ended, left for the lock screen (which this one
    // never reads).
    expectedFiles.push_back("lastend.var");
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(varFiles, expectedFiles);
    for (const std::string& file : varFiles) {
        std::cout << "recorded: " << Utf8(AnsiToWide(file)) << "\n";
    }
    EXPECT_EQ(ReadIfThere(folder / "Tembrel.log"), "");

    WriteFileDirect(folder / "EN.var", "|||EN|||End\r\n");
    EXPECT_TRUE(tembrel.Ended(20000));
}

} // namespace
} // namespace tembrel
