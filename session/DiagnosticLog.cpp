#include "session/DiagnosticLog.h"

#include <cstdio>

namespace tembrel {

namespace {

// One entry must never be able to fill the log on its own.
constexpr std::size_t kMaxEntryBytes = 1024;

std::string Stamp(const LocalTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

} // namespace

void DiagnosticLog::Append(std::string_view operation, std::string_view message) noexcept {
    try {
        std::string entry = Stamp(clock_.Now());
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

        const std::string path = files_.ProgramFolder() + "\\" + kFileName;
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
