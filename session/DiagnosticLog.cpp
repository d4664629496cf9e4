#include "session/DiagnosticLog.h"

#include "records/CalendarText.h"
#include "records/FileHandle.h"

namespace tembrel {

namespace {

// One entry must never be able to fill the log on its own.
constexpr std::size_t kMaxEntryBytes = 1024;

} // namespace

void DiagnosticLog::Append(std::string_view operation, std::string_view message) noexcept {
    try {
        std::string entry = StampText(clock_.Now());
        entry += ' ';
        entry += operation;
        entry += ": ";
        entry += message;
        if (entry.size() > kMaxEntryBytes) {
            entry.resize(kMaxEntryBytes);
        }
        // One line per entry, whatever the message held.
        for (char& c : entry) {
            if (c == '\r' || c == '\n') {
                c = ' ';
            }
        }
        entry += "\r\n";

        const std::string path = ProgramFilePath(files_, kFileName);
        std::string text;
        if (files_.IsPlainFile(path)) {
            text = files_.ReadAll(path);
        }
        while (!text.empty() && text.size() + entry.size() > kMaxBytes) {
            // Drop the oldest half, cut after a line end so that no entry is left torn.
            std::size_t cut = text.size() / 2;
            const std::size_t lineEnd = text.find('\n', cut);
            cut = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
            text.erase(0, cut);
        }
        text += entry;
        files_.WriteNew(path, text);
    } catch (...) {
        // A log that cannot be written must not add a failure of its own.
    }
}

} // namespace tembrel
