#include "guard/win32/GuardSetup.h"

#include <windows.h>

#include <ntsecapi.h>
#include <sddl.h>

#include <string>

#include "guard/GuardService.h"
#include "guard/ProcessSecurity.h"
#include "guard/win32/Win32GuardPorts.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Clock.h"
#include "session/DiagnosticLog.h"

namespace tembrel::guard {

namespace {

constexpr const wchar_t* kEventSourceKey =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tembrel";
// Children must not move the clock's zone: a new day (and a fresh allowance) or other hours.
constexpr const wchar_t* kTimeZoneRight = L"SeTimeZonePrivilege";
constexpr const wchar_t* kUsersSid = L"S-1-5-32-545";
constexpr DWORD kStopWaitMs = 15000;

class SetupLog {
  public:
    SetupLog() : log_(files_, clock_) {}
    void Step(const std::string& what, DWORD error) {
        log_.Append("Guard setup",
                    what + (error == ERROR_SUCCESS ? ": done"
                                                   : ": failed, error " + std::to_string(error)));
    }

  private:
    GuardFiles files_;
    Win32Clock clock_;
    DiagnosticLog log_;
};

DWORD LastErrorIf(BOOL ok) {
    return ok ? ERROR_SUCCESS : ::GetLastError();
}

// Asks the service to stop and waits until it has: its program file is free then.
DWORD StopAndWait(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
        return ::GetLastError();
    }
    for (DWORD waited = 0; waited < kStopWaitMs; waited += 100) {
        if (!::QueryServiceStatus(service, &status)) {
            return ::GetLastError();
        }
        if (status.dwCurrentState == SERVICE_STOPPED) {
            return ERROR_SUCCESS;
        }
        ::Sleep(100);
    }
    return ERROR_SERVICE_REQUEST_TIMEOUT;
}

// Takes the right from the Users group, or gives it back. Administrators keep theirs.
DWORD UsersTimeZoneRight(bool give) {
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status =
        ::LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
    if (status != 0) {
        return ::LsaNtStatusToWinError(status);
    }
    PSID users = nullptr;
    if (!::ConvertStringSidToSidW(kUsersSid, &users)) {
        ::LsaClose(policy);
        return ::GetLastError();
    }
    std::wstring name = kTimeZoneRight;
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    LSA_UNICODE_STRING right{bytes, bytes, name.data()};
    status = give ? ::LsaAddAccountRights(policy, users, &right, 1)
                  : ::LsaRemoveAccountRights(policy, users, FALSE, &right, 1);
    ::LocalFree(users);
    ::LsaClose(policy);
    return ::LsaNtStatusToWinError(status);
}

} // namespace

int InstallService() {
    SetupLog log;
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        log.Step("open the service manager", ::GetLastError());
        return 1;
    }
    const std::wstring command = L"\"" + GuardProgramPath() + L"\"";
    UniqueService service(
        ::CreateServiceW(manager.Get(), kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                         command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service && ::GetLastError() == ERROR_SERVICE_EXISTS) {
        // An update: the same service, pointed at this folder's program.
        service.Reset(::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
        if (service) {
            log.Step("update the service",
                     LastErrorIf(::ChangeServiceConfigW(
                         service.Get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                         SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr,
                         L"LocalSystem", nullptr, kServiceDisplayName)));
        }
    }
    if (!service) {
        log.Step("register the service", ::GetLastError());
        return 2;
    }
    std::wstring description = L"Keeps Tembrel running in every logon session.";
    SERVICE_DESCRIPTIONW text{description.data()};
    ::ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DESCRIPTION, &text);
    // Should the guard itself die, Windows starts it again.
    SC_ACTION restart[] = {
        {SC_ACTION_RESTART, 1000}, {SC_ACTION_RESTART, 1000}, {SC_ACTION_RESTART, 5000}};
    SERVICE_FAILURE_ACTIONSW failure{86400, nullptr, nullptr, 3, restart};
    ::ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure);

    const DWORD secured = [&] {
        try {
            const UniqueSecurityDescriptor descriptor = SecurityFromText(GuardServiceSecurity());
            return LastErrorIf(::SetServiceObjectSecurity(service.Get(), DACL_SECURITY_INFORMATION,
                                                          descriptor.Get()));
        } catch (...) {
            return static_cast<DWORD>(ERROR_INVALID_SECURITY_DESCR);
        }
    }();
    log.Step("only SYSTEM and the Administrators may stop or change the service", secured);
    if (secured != ERROR_SUCCESS) {
        return 3;
    }

    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
        ::RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&types), sizeof types);
        ::RegCloseKey(key);
    }

    log.Step("take the right to change the time zone from the Users group",
             UsersTimeZoneRight(false));

    DWORD started = LastErrorIf(::StartServiceW(service.Get(), 0, nullptr));
    if (started == ERROR_SERVICE_ALREADY_RUNNING) {
        started = ERROR_SUCCESS;
    }
    log.Step("start the service", started);
    return started == ERROR_SUCCESS ? 0 : 4;
}

int StopService() {
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueService service(
        manager ? ::OpenServiceW(manager.Get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS)
                : nullptr);
    if (!service) {
        return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : 1;
    }
    return StopAndWait(service.Get()) == ERROR_SUCCESS ? 0 : 1;
}

int UninstallService() {
    SetupLog log;
    int result = 0;
    const UniqueService manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueService service(manager ? ::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS)
                                  : nullptr);
    if (service) {
        log.Step("stop the service", StopAndWait(service.Get()));
        const DWORD deleted = LastErrorIf(::DeleteService(service.Get()));
        log.Step("remove the service", deleted);
        result = deleted == ERROR_SUCCESS ? 0 : 2;
    } else if (::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        log.Step("open the service", ::GetLastError());
        result = 1;
    }
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    log.Step("give the right to change the time zone back to the Users group",
             UsersTimeZoneRight(true));
    return result;
}

} // namespace tembrel::guard
