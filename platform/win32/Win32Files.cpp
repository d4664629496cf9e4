#include "platform/win32/Win32Files.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/Errors.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace tembrel {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, unsigned long error) {
    throw FileError(what + " " + path + ": error " + std::to_string(error));
}

std::wstring WidePath(const std::string& path) {
    return AnsiToWide(path);
}

// Errors that mean "someone else has the file open right now", which pass by themselves. A
// rename over a file that another process holds open answers access denied on NTFS, so that
// counts too while the target is an ordinary writable file.
bool InUse(unsigned long error, const std::wstring& path) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        return true;
    }
    if (error == ERROR_ACCESS_DENIED && !path.empty()) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
    }
    return false;
}

std::atomic<unsigned long> tempCounter{0};

// What makes an entry of the folder no plain file for us.
constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

// Attributes, size and times of whatever is at the path, in one look-up; absent when nothing is
// there, or nothing could be (a bad name, a missing drive).
std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const std::string& path) {
    if (path.empty() || path.find_first_of("*?") != std::string::npos) {
        return std::nullopt;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data)) {
        return data;
    }
    const DWORD error = ::GetLastError();
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE:
        return std::nullopt;
    default:
        Fail("cannot look up", path, error);
    }
}

FileInfo InfoOf(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& data) {
    FileInfo info;
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // The bias of this moment, as GetLocalTime uses it, so that the age of a file written a
    // moment ago comes out right even on the day the clocks change.
    FILETIME local{};
    SYSTEMTIME t{};
    if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !::FileTimeToSystemTime(&local, &t)) {
        Fail("cannot convert the last-write time of", path, ::GetLastError());
    }
    info.lastWrite =
        LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    return info;
}

} // namespace

Win32Files::Win32Files() : Win32Files(Retry{}) {}

Win32Files::Win32Files(Retry retry) : retry_(std::move(retry)) {
    if (!retry_.pause) {
        retry_.pause = [](int) { ::Sleep(20); };
    }
    if (retry_.attempts < 1) {
        retry_.attempts = 1;
    }
}

unsigned long Win32Files::WithRetry(const std::wstring& target,
                                    const std::function<bool()>& attempt) const {
    for (int n = 1;; ++n) {
        if (attempt()) {
            return 0;
        }
        const unsigned long error = ::GetLastError();
        if (n >= retry_.attempts || !InUse(error, target)) {
            return error == 0 ? ERROR_GEN_FAILURE : error;
        }
        retry_.pause(n);
    }
}

std::string Win32Files::ProgramFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            Fail("cannot find the program file", "", ::GetLastError());
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    bool lossy = false;
    std::string ansi = WideToAnsi(folder, &lossy);
    if (lossy) {
        // A folder name outside the ANSI code page: its short (8.3) name is plain ASCII where the
        // volume keeps short names.
        std::wstring shortName(MAX_PATH, L'\0');
        const DWORD length = ::GetShortPathNameW(folder.c_str(), shortName.data(),
                                                 static_cast<DWORD>(shortName.size()));
        if (length > 0 && length < shortName.size()) {
            shortName.resize(length);
            ansi = WideToAnsi(shortName, &lossy);
        }
        if (lossy) {
            throw FileError("the program's folder has a name outside the ANSI code page");
        }
    }
    return ansi;
}

bool Win32Files::IsPlainFile(const std::string& path) const {
    return LookUp(path).has_value();
}

std::optional<FileInfo> Win32Files::LookUp(const std::string& path) const {
    const auto data = Attributes(path);
    if (!data || (data->dwFileAttributes & kNotPlain) != 0) {
        return std::nullopt;
    }
    return InfoOf(path, *data);
}

std::string Win32Files::ReadAll(const std::string& path) {
    const std::wstring wide = WidePath(path);
    UniqueHandle file;
    const unsigned long error = WithRetry(wide, [&] {
        file.Reset(::CreateFileW(wide.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.Valid();
    });
    if (error != 0) {
        Fail("cannot open", path, error);
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            Fail("cannot read", path, ::GetLastError());
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, got);
    }
    return content;
}

void Win32Files::WriteNew(const std::string& path, std::string_view bytes) {
    const std::wstring wide = WidePath(path);
    UniqueHandle file;
    const unsigned long error = WithRetry(wide, [&] {
        file.Reset(::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.Valid();
    });
    if (error != 0) {
        Fail("cannot create", path, error);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk =
            std::min<std::size_t>(bytes.size() - done, std::numeric_limits<DWORD>::max() / 2);
        DWORD written = 0;
        if (!::WriteFile(file.Get(), bytes.data() + done, static_cast<DWORD>(chunk), &written,
                         nullptr) ||
            written == 0) {
            Fail("cannot write", path, ::GetLastError());
        }
        done += written;
    }
    if (!::FlushFileBuffers(file.Get())) {
        Fail("cannot flush", path, ::GetLastError());
    }
}

void Win32Files::Replace(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = WidePath(from);
    const std::wstring wideTo = WidePath(to);
    const unsigned long error = WithRetry(wideTo, [&] {
        return ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    });
    if (error != 0) {
        Fail("cannot replace", to, error);
    }
}

void Win32Files::Remove(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const unsigned long error =
        WithRetry(wide, [&] { return ::DeleteFileW(wide.c_str()) != FALSE; });
    if (error != 0 && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        Fail("cannot delete", path, error);
    }
}

FileInfo Win32Files::Info(const std::string& path) const {
    const auto data = Attributes(path);
    if (!data) {
        Fail("cannot look up", path, ERROR_FILE_NOT_FOUND);
    }
    return InfoOf(path, *data);
}

std::vector<std::string> Win32Files::ListFolder() const {
    const std::string folder = ProgramFolder();
    std::vector<std::string> paths;
    WIN32_FIND_DATAW entry{};
    UniqueFind search(::FindFirstFileW((WidePath(folder) + L"\\*").c_str(), &entry));
    if (!search) {
        const unsigned long error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return paths;
        }
        Fail("cannot list", folder, error);
    }
    do {
        if ((entry.dwFileAttributes & kNotPlain) != 0) {
            continue;
        }
        bool lossy = false;
        const std::string name = WideToAnsi(entry.cFileName, &lossy);
        if (!lossy) {
            paths.push_back(folder + "\\" + name);
        }
    } while (::FindNextFileW(search.Get(), &entry));
    return paths;
}

std::string Win32Files::TempPathFor(const std::string& path) {
    return path + "." + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++tempCounter) + ".tmp";
}

} // namespace tembrel
