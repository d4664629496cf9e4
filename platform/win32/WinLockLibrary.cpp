#include "platform/win32/WinLockLibrary.h"

#include <vector>

#include "platform/Errors.h"
#include "platform/win32/Procedure.h"
#include "platform/win32/Text.h"

namespace tembrel {

namespace {

std::vector<char> Buffer(const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

} // namespace

WinLockLibrary::WinLockLibrary(std::string folder) : folder_(std::move(folder)) {}

FARPROC WinLockLibrary::Bind(const char* name, FARPROC& slot) {
    if (slot != nullptr) {
        return slot;
    }
    if (!module_) {
        // The full path keeps the search order out of it: only the folder's own library counts.
        // What the library itself imports comes from System32 only, never from the folder the
        // children can write to.
        const std::wstring path = AnsiToWide(Path());
        module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (!module_) {
            throw LibraryError("cannot load " + Path() + ": error " +
                               std::to_string(::GetLastError()));
        }
    }
    slot = ::GetProcAddress(module_.Get(), name);
    if (slot == nullptr) {
        throw LibraryError(std::string("no operation ") + name + " in " + Path());
    }
    return slot;
}

void WinLockLibrary::CallFlagOperation(const char* name, FARPROC& slot, std::int32_t flag) {
    const auto operation = ProcedureAs<FlagOperation>(Bind(name, slot));
    ::SetLastError(ERROR_SUCCESS);
    const int result = operation(flag);
    const DWORD error = ::GetLastError();
    if (result == 0 && report_) {
        report_(std::string(name) + "(" + std::to_string(flag) + ") reported failure: error " +
                std::to_string(error));
    }
}

void WinLockLibrary::TaskManager_Enable_Disable(std::int32_t flag) {
    CallFlagOperation("TaskManager_Enable_Disable", taskManager_, flag);
}

void WinLockLibrary::CtrlAltDel_Enable_Disable(std::int32_t flag) {
    CallFlagOperation("CtrlAltDel_Enable_Disable", ctrlAltDel_, flag);
}

void WinLockLibrary::Process_Desktop(const std::string& desktopName,
                                     const std::string& programPath) {
    const auto operation = ProcedureAs<DesktopOperation>(Bind("Process_Desktop", processDesktop_));
    // The library's arguments are not const: it gets copies it may write to.
    std::vector<char> name = Buffer(desktopName);
    std::vector<char> path = Buffer(programPath);
    operation(name.data(), path.data());
}

} // namespace tembrel
