#pragma once
// The parents' settings files where the guard runs: ps.var, the lock screen's list of children and
// each child's record are written by the guard alone, and the lock screen asks it through the pipe.
// A write needs the master password, except the first master password while none is stored at
// all; a child's login, which has none, may only ask for her record's "open" and "close" to be set
// to today's hours, which the guard works out itself from her record. Every file the guard writes
// is given the parents' owner and access list before it takes its place, and again after.
#include <string>
#include <vector>

#include "guard/GuardRequests.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Regional.h"
#include "records/ChildLimits.h"

namespace tembrel::guard {

// Set keys of a settings file; fields "password" and "file" (the record name: "ps", "engine" or a
// child's name); the body holds one "key: value" line per key, an empty value removes the key.
inline constexpr const char* kSettingsVerb = "SETTINGS";
inline constexpr const char* kFileField = "file";
// Set a child's "open" and "close" to today's hours of her record; field "child".
inline constexpr const char* kTodayVerb = "TODAY";
inline constexpr const char* kChildField = "child";

// The body of a SETTINGS request, and back; absent for a body that is not such lines. Throws
// InvalidArgument for a key or value the text cannot carry.
std::string FormatSettingsBody(const RecordValues& values);
std::optional<RecordValues> ParseSettingsBody(std::string_view body);

// Gives a settings file the parents' owner and access list. Throws on failure.
class FileSecurity {
  public:
    virtual ~FileSecurity() = default;
    virtual void Protect(const std::string& path) = 0;
};

struct SettingsPorts {
    Files& files;
    const Regional& regional;
    const Clock& clock;
    FileSecurity& security;
    ActionLog& log;
    // Where a file is written before it takes the old one's place: a folder no child's account
    // may write, so that none can open the new file before its access list is set. Empty: beside
    // the file.
    std::string scratchFolder;
};

// True for the record names of the parents' settings: "ps", "engine", and a name a child may have
// (allow, EN, the usage files and anything that is not a plain record name are not).
bool IsSettingsName(Files& files, const Regional& regional, const std::string& name);

class GuardSettings {
  public:
    explicit GuardSettings(const SettingsPorts& ports) : ports_(ports) {}

    // Adds the SETTINGS and TODAY verbs to the guard's requests.
    void AddTo(GuardRequests& requests);

    // Sets the keys of settings file `name` as the guard, whoever asked. Throws on failure; the
    // file is then as it was.
    void Write(const std::string& name, const RecordValues& values);
    // Gives every settings file there is the parents' owner and access list, and makes ps.var and
    // the list of children where they are missing (empty: no password, no child), so that no
    // child's account can make them first. Returns what failed, for the log.
    std::vector<std::string> ProtectAll();

    Reply Settings(GuardRequests& requests, const Request& request, SessionId from);
    Reply Today(const Request& request, SessionId from);

  private:
    SettingsPorts ports_;
};

} // namespace tembrel::guard
