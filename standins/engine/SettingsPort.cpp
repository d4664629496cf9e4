#include "standins/engine/SettingsPort.h"

#include <algorithm>

#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/RecordContract.h"

namespace tembrel {

namespace {

std::string Folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

} // namespace

void LocalSettings::Write(const std::string& /*master*/, const std::string& name,
                          const RecordValues& values) {
    const std::string path = RecordPath(files_, regional_, name);
    const std::string old = ReadRecordText(files_, path).value_or("");
    std::string text;
    std::size_t begin = 0;
    while (begin < old.size()) {
        std::size_t end = old.find('\n', begin);
        end = end == std::string::npos ? old.size() : end + 1;
        std::string line = old.substr(begin, end - begin);
        begin = end;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        const bool replaced = std::any_of(values.begin(), values.end(), [&](const auto& value) {
            return Folded(line).starts_with(Folded(RecordPattern(value.first)));
        });
        if (!line.empty() && !replaced) {
            text += line + "\r\n";
        }
    }
    for (const auto& [key, value] : values) {
        if (!value.empty()) {
            text += RecordPattern(key) + value + "\r\n";
        }
    }
    ReplaceFile(files_, path, text);
}

void LocalSettings::Quit(const std::string& /*master*/) {
    WriteRecord(files_, contract::kQuitKey, contract::kQuitFile, contract::kQuitValue);
}

} // namespace tembrel
