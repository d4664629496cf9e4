#include "records/MasterPassword.h"

#include "platform/Errors.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"

namespace tembrel {

bool MasterPasswordMatches(Files& files, const Regional& regional, const std::string& entry) {
    const std::string stored = ReadRecord(files, regional, "mpass", "ps").value_or("");
    if (stored.empty()) {
        throw TembrelError("no master password stored; the entry is refused");
    }
    const std::string password = ShiftText(regional, stored, 1);
    return regional.ToLower(entry) == regional.ToLower(password);
}

} // namespace tembrel
