#include "platform/win32/Win32Files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/Errors.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/tests/FolderFiles.h"
#include "platform/win32/tests/TempFolder.h"
#include "records/FileHandle.h"
#include "records/FindDate.h"

namespace tembrel {
namespace {

// Retries that never sleep: the pause only counts, and may run a step of the test.
struct CountingRetry {
    int pauses = 0;
    std::function<void()> onPause;
    Win32Files::Retry Make(int attempts = 4) {
        return {attempts, [this](int) {
                    ++pauses;
                    if (onPause) {
                        onPause();
                    }
                }};
    }
};

// Opens a file the way a careless reader does: sharing nothing, so nobody may write, rename over
// or delete it while it is held.
UniqueHandle HoldExclusively(const std::string& path) {
    return UniqueHandle(::CreateFileW(AnsiToWide(path).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Sets the file's last-write time to a local time, as a file written then would have it.
bool SetLastWrite(const std::string& path, const SYSTEMTIME& localTime) {
    FILETIME local{}, utc{};
    ::SystemTimeToFileTime(&localTime, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    const UniqueHandle file(::CreateFileW(AnsiToWide(path).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::SetFileTime(file.Get(), nullptr, nullptr, &utc);
}

class Win32FilesTest : public ::testing::Test {
  protected:
    TempFolder temp;
    CountingRetry retry;
    Win32Files files{retry.Make()};

    // a.var holds "old" and a reader holds it exclusively; a.tmp beside it holds "new".
    UniqueHandle OldHeldAndNewBeside() {
        WriteFileDirect(temp / "a.var", "old");
        WriteFileDirect(temp / "a.tmp", "new");
        return HoldExclusively(temp / "a.var");
    }
};

TEST_F(Win32FilesTest, ProgramFolderHoldsTheRunningProgram) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string folder = files.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(folder + "\\win32_test.exe", WideToAnsi(self));
}

TEST_F(Win32FilesTest, WritesAndReadsEveryByteBack) {
    std::string bytes = "|||allow|||300\r\n|||user|||Ann\r\n";
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    files.WriteNew(temp / "a.var", bytes);
    EXPECT_EQ(files.ReadAll(temp / "a.var"), bytes);
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), bytes);
}

TEST_F(Win32FilesTest, WriteNewTruncatesALongerFile) {
    WriteFileDirect(temp / "a.var", std::string(5000, 'x'));
    files.WriteNew(temp / "a.var", "short");
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), "short");
    files.WriteNew(temp / "a.var", "");
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), "");
}

TEST_F(Win32FilesTest, MissingFilesAndFoldersFailWithoutRetrying) {
    EXPECT_THROW(files.ReadAll(temp / "missing.var"), FileError);
    EXPECT_THROW(files.WriteNew(temp / "no-folder\\a.var", "x"), FileError);
    EXPECT_THROW(files.Replace(temp / "missing.tmp", temp / "a.var"), FileError);
    EXPECT_EQ(retry.pauses, 0);
}

TEST_F(Win32FilesTest, ReplacePutsTheNewFileInPlace) {
    WriteFileDirect(temp / "a.var", "old");
    WriteFileDirect(temp / "a.tmp", "new");
    files.Replace(temp / "a.tmp", temp / "a.var");
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), "new");
    EXPECT_FALSE(ExistsDirect(temp / "a.tmp"));

    WriteFileDirect(temp / "b.tmp", "first");
    files.Replace(temp / "b.tmp", temp / "b.var");
    EXPECT_EQ(ReadFileDirect(temp / "b.var"), "first");
}

TEST_F(Win32FilesTest, ReplaceWaitsForAReaderThatHoldsTheFile) {
    UniqueHandle reader = OldHeldAndNewBeside();
    ASSERT_TRUE(reader.Valid());
    retry.onPause = [&] { reader.Reset(); }; // the reader is done by the first pause
    files.Replace(temp / "a.tmp", temp / "a.var");
    EXPECT_EQ(retry.pauses, 1);
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), "new");
}

TEST_F(Win32FilesTest, ReplaceGivesUpWhileTheReaderStaysAndLeavesTheOldFile) {
    UniqueHandle reader = OldHeldAndNewBeside();
    ASSERT_TRUE(reader.Valid());
    EXPECT_THROW(files.Replace(temp / "a.tmp", temp / "a.var"), FileError);
    EXPECT_EQ(retry.pauses, 3); // four attempts, three pauses between them
    reader.Reset();
    EXPECT_EQ(ReadFileDirect(temp / "a.var"), "old");
    EXPECT_EQ(ReadFileDirect(temp / "a.tmp"), "new");
}

TEST_F(Win32FilesTest, ReadWaitsForAWriterThatHoldsTheFile) {
    WriteFileDirect(temp / "a.var", "content");
    UniqueHandle writer(::CreateFileW(AnsiToWide(temp / "a.var").c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.Valid());
    retry.onPause = [&] { writer.Reset(); };
    EXPECT_EQ(files.ReadAll(temp / "a.var"), "content");
    EXPECT_EQ(retry.pauses, 1);
}

TEST_F(Win32FilesTest, RemoveDeletesAndToleratesAMissingFile) {
    WriteFileDirect(temp / "a.var", "x");
    files.Remove(temp / "a.var");
    EXPECT_FALSE(ExistsDirect(temp / "a.var"));
    EXPECT_NO_THROW(files.Remove(temp / "a.var"));
    EXPECT_NO_THROW(files.Remove(temp / "no-folder\\a.var"));
    ASSERT_TRUE(::CreateDirectoryW(AnsiToWide(temp / "sub").c_str(), nullptr));
    EXPECT_THROW(files.Remove(temp / "sub"), FileError);
}

TEST_F(Win32FilesTest, OnlyPlainFilesCount) {
    WriteFileDirect(temp / "plain.var", "x");
    WriteFileDirect(temp / "readonly.var", "x");
    WriteFileDirect(temp / "hidden.var", "x");
    WriteFileDirect(temp / "system.var", "x");
    ::SetFileAttributesW(AnsiToWide(temp / "readonly.var").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(AnsiToWide(temp / "hidden.var").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesW(AnsiToWide(temp / "system.var").c_str(), FILE_ATTRIBUTE_SYSTEM);
    ::CreateDirectoryW(AnsiToWide(temp / "folder.var").c_str(), nullptr);

    const struct {
        std::string path;
        bool plain;
    } cases[] = {
        {temp / "plain.var", true},
        {temp / "readonly.var", true},
        {temp / "hidden.var", false},
        {temp / "system.var", false},
        {temp / "folder.var", false},
        {temp / "missing.var", false},
        {temp / "missing\\plain.var", false},
        {temp / "plain.va?", false},
        {temp / "*.var", false},
        {"", false},
        {"Q:\\no\\such\\drive.var", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files.IsPlainFile(c.path), c.plain) << c.path;
        EXPECT_EQ(files.LookUp(c.path).has_value(), c.plain) << c.path;
    }
}

// The one look-up of a record read brings the size and the last-write time to the millisecond.
TEST_F(Win32FilesTest, LookUpGivesSizeAndTimeToTheMillisecond) {
    WriteFileDirect(temp / "a.var", "12345");
    ASSERT_TRUE(SetLastWrite(temp / "a.var", {2024, 3, 2, 5, 14, 7, 9, 250}));
    const auto info = files.LookUp(temp / "a.var");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->size, 5u);
    EXPECT_EQ(LocalMilliseconds(info->lastWrite),
              LocalMilliseconds(LocalTime{2024, 3, 5, 14, 7, 9, 250}));
}

// Size and last-write time as the disk has them, in local time; the folder's plain files only.
TEST_F(Win32FilesTest, InfoAndListFolderSeeTheRealFolder) {
    FolderFiles folder(temp.Path());
    WriteFileDirect(temp / "a.var", "12345");
    WriteFileDirect(temp / "b.var.77-1.tmp", "");
    WriteFileDirect(temp / "hidden.var", "x");
    ::SetFileAttributesW(AnsiToWide(temp / "hidden.var").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::CreateDirectoryW(AnsiToWide(temp / "folder.var").c_str(), nullptr);

    std::vector<std::string> listed = folder.ListFolder();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{temp / "a.var", temp / "b.var.77-1.tmp"}));

    const Win32Clock clock;
    FileInfo info = folder.Info(temp / "a.var");
    EXPECT_EQ(info.size, 5u);
    const long long age = LocalSeconds(clock.Now()) - LocalSeconds(info.lastWrite);
    EXPECT_GE(age, -2);
    EXPECT_LE(age, 5);

    // A last-write time set by hand comes back to the second.
    ASSERT_TRUE(SetLastWrite(temp / "a.var", {2024, 3, 2, 5, 14, 7, 9, 0}));
    info = folder.Info(temp / "a.var");
    EXPECT_EQ(LocalSeconds(info.lastWrite), LocalSeconds(LocalTime{2024, 3, 5, 14, 7, 9}));
    EXPECT_EQ(folder.Info(temp / "b.var.77-1.tmp").size, 0u);
    EXPECT_THROW(folder.Info(temp / "missing.var"), FileError);
}

// A hand-over caught half-written on a real disk reads as still being written; the same bytes,
// left alone for a while (finished by hand), read.
TEST_F(Win32FilesTest, FreshLastLineWithoutCrReadsAsBeingWritten) {
    const Win32Clock clock;
    WriteFileDirect(temp / "allow.var", "|||allow|||36");
    EXPECT_THROW(ReadRecordText(files, temp / "allow.var", &clock), FileBeingWritten);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 3ull * 10000000ull; // three seconds ago
    const FILETIME earlier{t.LowPart, t.HighPart};
    {
        UniqueHandle file(::CreateFileW(AnsiToWide(temp / "allow.var").c_str(),
                                        FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &earlier));
    }
    EXPECT_EQ(ReadRecordText(files, temp / "allow.var", &clock), "|||allow|||36");
}

TEST_F(Win32FilesTest, NamesOutsideAsciiTravelInTheAnsiCodePage) {
    bool lossy = false;
    const std::string name = WideToAnsi(L"J\u00f6rg", &lossy) + ".var";
    if (lossy) {
        GTEST_SKIP() << "the ANSI code page has no o-umlaut";
    }
    files.WriteNew(temp / name, "x");
    EXPECT_TRUE(files.IsPlainFile(temp / name));
    EXPECT_TRUE(::GetFileAttributesW((AnsiToWide(temp.Path()) + L"\\J\u00f6rg.var").c_str()) !=
                INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32FilesTest, TemporaryPathsAreUniqueBesideTheFile) {
    const std::string path = temp / "a.var";
    const std::string first = files.TempPathFor(path);
    const std::string second = Win32Files().TempPathFor(path);
    EXPECT_NE(first, second);
    const std::string prefix = path + "." + std::to_string(::GetCurrentProcessId()) + "-";
    EXPECT_EQ(first.rfind(prefix, 0), 0U) << first;
    EXPECT_EQ(first.substr(first.size() - 4), ".tmp");
}

} // namespace
} // namespace tembrel
