#pragma once
// Helpers of the tests that run Tembrel.exe itself, as a parent installs it, in a folder of its
// own. They run in real time under Wine, so every wait polls for its result with a deadline.
#include <windows.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/TopWindow.h"
#include "platform/win32/tests/TempFolder.h"
#include "windows/HorodeskWindow.h"

namespace tembrel {

inline std::string BesideThisTest(const std::string& name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    folder.resize(folder.find_last_of('\\'));
    return folder + "\\" + name;
}

// Tembrel.exe with our desktop-lock library and the lock screen that hands sessions over, beside
// each other in `folder`. False, with the file's name in `failed`, when a copy fails.
inline bool InstallProgram(const TempFolder& folder, std::string& failed) {
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"Tembrel.exe", "Tembrel.exe"},
          {"WinLockDll.dll", "WinLockDll.dll"},
          {"HandOverEngine.exe", "engine.exe"}}) {
        if (!CopyFileA(BesideThisTest(from).c_str(), (folder / to).c_str(), FALSE)) {
            failed = from;
            return false;
        }
    }
    return true;
}

inline bool WaitFor(const std::function<bool()>& done, std::chrono::seconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

inline HWND SessionWindowOf(DWORD processId) {
    return TopWindowOf(processId, win::HorodeskWindow::kClassName);
}

// The file's text, or nothing while it is not there yet or is being written.
inline std::string ReadIfThere(const std::string& path) {
    try {
        return ExistsDirect(path) ? ReadFileDirect(path) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The names of the files in `folder` that match `pattern` (e.g. "*.var").
inline std::vector<std::string> FilesIn(const TempFolder& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((folder / pattern).c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return names;
}

struct Process {
    PROCESS_INFORMATION info{};
    UniqueHandle process, thread;
    bool Start(const std::string& exe, const std::string& folder) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &si, &info)) {
            return false;
        }
        process.Reset(info.hProcess);
        thread.Reset(info.hThread);
        return true;
    }
    bool Ended(DWORD ms = 0) const { return WaitForSingleObject(process.Get(), ms) == 0; }
    ~Process() {
        if (process && !Ended()) {
            TerminateProcess(process.Get(), 1);
        }
    }
};

} // namespace tembrel
