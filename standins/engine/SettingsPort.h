#pragma once
// Where the parents' settings go: the master password, the list of children and their records,
// and the request that the session timer quit. The lock screen writes them into the shared folder
// itself (LocalSettings); a service that alone may write them can take its place behind this port.
#include <string>

#include "platform/Files.h"
#include "platform/Regional.h"
#include "records/ChildLimits.h"

namespace tembrel {

// Every request carries the master password the parents opened their area with, for a service
// to check; a child's login carries none, and writes only today's "open" and "close" of her own
// record.
class SettingsPort {
  public:
    virtual ~SettingsPort() = default;
    // Sets the given keys of record file `name` in one step; an empty value removes its key. Keys
    // match in any letter case, as readers match them. Throws on failure.
    virtual void Write(const std::string& master, const std::string& name,
                       const RecordValues& values) = 0;
    // Asks the session timer to quit. Throws on failure.
    virtual void Quit(const std::string& master) = 0;
};

class LocalSettings : public SettingsPort {
  public:
    LocalSettings(Files& files, const Regional& regional) : files_(files), regional_(regional) {}
    // The files of the shared folder, written in this account: the master password was checked
    // already.
    void Write(const std::string& master, const std::string& name,
               const RecordValues& values) override;
    void Quit(const std::string& master) override;

  private:
    Files& files_;
    const Regional& regional_;
};

} // namespace tembrel
