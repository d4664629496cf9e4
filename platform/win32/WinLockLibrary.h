#pragma once
// The desktop-lock library WinLockDll.dll, bound by name at run time: the library is loaded from
// the program's folder at the first call that needs it and stays loaded; each operation is looked
// up at its own first call. So the closed library, dropped into the folder, replaces our stand-in,
// and a missing library or operation is an error of that one call (LibraryError), not of start-up.
// Used from the UI thread only.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/DesktopLock.h"
#include "platform/win32/Handles.h"

namespace tembrel {

class WinLockLibrary : public DesktopLock {
  public:
    static constexpr const char* kFileName = "WinLockDll.dll";

    // `folder` holds the library, without a trailing backslash (normally the program's folder).
    explicit WinLockLibrary(std::string folder);

    void TaskManager_Enable_Disable(std::int32_t flag) override;
    void CtrlAltDel_Enable_Disable(std::int32_t flag) override;
    void Process_Desktop(const std::string& desktopName, const std::string& programPath) override;

    // The library's full path.
    std::string Path() const { return folder_ + "\\" + kFileName; }

    // Told when the library answers a lock-down call with 0, which our stand-in (like Win32)
    // returns on failure, with the error code it left. The program's calls stay as they are: this
    // only lets a parent read in the log that the lock-down did not take, as on a standard
    // account where the policy keys are closed to the account itself.
    using FailureReport = std::function<void(const std::string& message)>;
    void OnLockDownFailure(FailureReport report) { report_ = std::move(report); }

  private:
    // The library's own declarations: __stdcall, 32-bit flags, ANSI strings, an int result that
    // the program does not look at.
    using FlagOperation = int(WINAPI*)(std::int32_t);
    using DesktopOperation = int(WINAPI*)(char*, char*);

    FARPROC Bind(const char* name, FARPROC& slot);
    void CallFlagOperation(const char* name, FARPROC& slot, std::int32_t flag);

    std::string folder_;
    UniqueModule module_;
    FARPROC taskManager_ = nullptr;
    FARPROC ctrlAltDel_ = nullptr;
    FARPROC processDesktop_ = nullptr;
    FailureReport report_;
};

} // namespace tembrel
