#include "standins/engine/SettingsPort.h"

#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/RecordContract.h"

namespace tembrel {

void LocalSettings::Write(const std::string& /*master*/, const std::string& name,
                          const RecordValues& values) {
    const std::string path = RecordPath(files_, regional_, name);
    ReplaceFile(files_, path, MergeRecords(ReadRecordText(files_, path).value_or(""), values));
}

void LocalSettings::Quit(const std::string& /*master*/) {
    WriteRecord(files_, contract::kQuitKey, contract::kQuitFile, contract::kQuitValue);
}

} // namespace tembrel
