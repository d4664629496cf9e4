#include "platform/win32/tests/TempFolder.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace tembrel {

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    UniqueFind search(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (search) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search.Get(), &entry));
    }
    search.Reset();
    ::RemoveDirectoryW(folder.c_str());
}

std::atomic<int> folderCounter{0};

} // namespace

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    std::wstring base(temp, length);
    if (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    const std::wstring folder = base + L"\\tembrel-test-" +
                                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(++folderCounter);
    RemoveTree(folder);
    if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = WideToAnsi(folder);
}

TempFolder::~TempFolder() {
    RemoveTree(AnsiToWide(path_));
}

void WriteFileDirect(const std::string& path, const std::string& bytes) {
    UniqueHandle file(::CreateFileW(AnsiToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        throw std::runtime_error("cannot create " + path);
    }
    DWORD written = 0;
    ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileDirect(const std::string& path) {
    UniqueHandle file(::CreateFileW(AnsiToWide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        content.append(buffer, got);
    }
    return content;
}

bool ExistsDirect(const std::string& path) {
    return ::GetFileAttributesW(AnsiToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace tembrel
