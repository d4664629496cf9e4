// Takes the lock screen's place in tests: writes the name of the desktop it was started on to the
// file TEMBREL_PROBE_OUT names, waits (at most 30 s) for the event TEMBREL_PROBE_GO, notes whether
// it came, and signals TEMBREL_PROBE_DONE.
#include <windows.h>

#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace tembrel;
    wchar_t desktop[256] = L"";
    DWORD needed = 0;
    ::GetUserObjectInformationW(::GetThreadDesktop(::GetCurrentThreadId()), UOI_NAME, desktop,
                                sizeof desktop, &needed);

    UniqueHandle go(::OpenEventW(SYNCHRONIZE, FALSE, Environment(L"TEMBREL_PROBE_GO").c_str()));
    const bool cameOnTime = go && ::WaitForSingleObject(go.Get(), 30000) == WAIT_OBJECT_0;

    const std::string report =
        "desktop=" + WideToAnsi(desktop) + "\r\ngo=" + (cameOnTime ? "yes" : "timeout") + "\r\n";
    UniqueHandle out(::CreateFileW(Environment(L"TEMBREL_PROBE_OUT").c_str(), GENERIC_WRITE, 0,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(out.Get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    out.Reset();

    UniqueHandle done(
        ::OpenEventW(EVENT_MODIFY_STATE, FALSE, Environment(L"TEMBREL_PROBE_DONE").c_str()));
    if (done) {
        ::SetEvent(done.Get());
    }
    return 0;
}
