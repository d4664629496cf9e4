#pragma once
// The guard's ports on Windows: the logon sessions of Windows Terminal Services, the Tembrel
// processes started with each user's token and watched through their handles, the tick count,
// and the record in the event log and Tembrel.log.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "guard/GuardPorts.h"
#include "guard/GuardSettings.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Files.h"
#include "session/DiagnosticLog.h"

namespace tembrel::guard {

// The guard runs as LocalSystem, so its program lies in a subfolder of the program's folder that
// only administrators may write (Windows looks beside a program for some DLLs before the program's
// first instruction, and the children may put files in the program's folder).
inline constexpr const wchar_t* kGuardFolder = L"Guard";
// This program's full path, and the program's folder above its own.
std::wstring GuardProgramPath();
std::wstring ProgramFolderAboveGuard();

// The program's folder, seen from the guard's subfolder: Tembrel.log and the records.
class GuardFiles : public Win32Files {
  public:
    std::string ProgramFolder() const override;
};

// The parents' owner and access list on a settings file (SettingsFileSecurity).
class Win32FileSecurity : public FileSecurity {
  public:
    void Protect(const std::string& path) override;
};

class Win32Sessions : public Sessions {
  public:
    std::vector<SessionId> LoggedOn() override;
    void LogOff(SessionId session) override;
};

// What a process handle the service waits on stands for.
struct Watched {
    enum class Kind { Tembrel, Probe };
    Kind kind = Kind::Tembrel;
    SessionId session = 0;
    ProcessId process = 0; // for a probe: the Tembrel it asks about
    UniqueHandle handle;
};

class Win32Processes : public Processes {
  public:
    // `folder`: the program's folder, where Tembrel.exe lies.
    Win32Processes(std::wstring folder, ActionLog& log);

    std::optional<ProcessId> FindTembrel(SessionId session) override;
    ProcessId StartTembrel(SessionId session) override;
    void Adopt(SessionId session, ProcessId process) override;
    void End(ProcessId process) override;
    void StartProbe(SessionId session, ProcessId process) override;

    // The handles to wait on, in the order of Take's index.
    std::vector<HANDLE> Handles() const;
    // Gives up the watch of the handle at `index` of Handles(), which has been signalled.
    Watched Take(std::size_t index);

  private:
    HANDLE Launch(HANDLE token, const std::wstring& program, std::wstring commandLine,
                  const SECURITY_ATTRIBUTES* security, DWORD& processId);

    std::wstring folder_;
    std::wstring tembrelPath_;
    std::wstring guardPath_;
    ActionLog& log_;
    std::vector<Watched> watched_;
};

class Win32SteadyClock : public SteadyClock {
  public:
    std::int64_t Milliseconds() const override;
};

// Writes each action to the event log (source "Tembrel") and to Tembrel.log.
class GuardActionLog : public ActionLog {
  public:
    explicit GuardActionLog(DiagnosticLog& file);
    ~GuardActionLog() override;
    GuardActionLog(const GuardActionLog&) = delete;
    GuardActionLog& operator=(const GuardActionLog&) = delete;
    void Record(std::string_view message) noexcept override;

  private:
    DiagnosticLog& file_;
    HANDLE eventSource_;
};

// The SID of the token's user as text ("S-1-5-21-..."). Throws TembrelError.
std::string TokenUserSid(HANDLE token);
// The security descriptor of the text, freed with LocalFree by its owner.
using UniqueSecurityDescriptor = UniqueResource<PSECURITY_DESCRIPTOR, ::LocalFree>;
// Throws TembrelError when Windows cannot read the text.
UniqueSecurityDescriptor SecurityFromText(const std::string& sddl);

} // namespace tembrel::guard
