// Arbitrary record files, keys, values and names through ReadRecord and WriteRecord. Besides "no
// crash, no undefined behaviour", every run checks what the store promises its readers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/fakes/FakeRegional.h"
#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"

using namespace tembrel;

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort(); // libFuzzer keeps the input as a crash
    }
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The lines of a text as the writer sees them: split at CR, the CRs and LFs that begin a line
// removed, empty lines gone.
std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        std::size_t cr = text.find('\r', pos);
        if (cr == std::string_view::npos) {
            cr = text.size();
        }
        lines.emplace_back(text.substr(pos, cr - pos));
        pos = cr + 1;
    }
    return lines;
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

void CheckWrite(const std::string& old, bool existed, const std::string& written,
                const std::string& key, const std::string& value) {
    const std::string record = RecordPattern(key) + value;
    // The new record comes last, whole.
    Check(written.size() >= record.size() + 2 &&
              written.compare(written.size() - record.size() - 2, std::string::npos,
                              record + "\r\n") == 0,
          "new record last");

    // Growth: the record and its line end, plus the LF a CR-only line end of the old file gets.
    std::size_t loneCrs = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (old[i] == '\r' && (i + 1 == old.size() || old[i + 1] != '\n')) {
            ++loneCrs;
        }
    }
    // A last line without its CR gets CR LF; an LF alone ends no line.
    const std::size_t lastCr = old.rfind('\r');
    const bool oldEndsOpen =
        old.find_first_not_of('\n', lastCr == std::string::npos ? 0 : lastCr + 1) !=
        std::string::npos;
    Check(written.size() <=
              (existed ? old.size() : 0) + loneCrs + (oldEndsOpen ? 2 : 0) + record.size() + 2,
          "growth bound");

    if (HasLineEnd(key) || value.find('\r') != std::string::npos) {
        return; // such a record splits into lines of its own; only the bounds above hold
    }

    // Carried-over lines keep their bytes and their order, and none of them is the written key's,
    // in any letter case.
    const std::string pattern = AsciiLower(RecordPattern(key));
    const auto ofKey = [&](const std::string& line) {
        return AsciiLower(line).compare(0, pattern.size(), pattern) == 0;
    };
    const std::vector<std::string> before = Lines(existed ? old : std::string());
    std::vector<std::string> after = Lines(written);
    after.pop_back(); // the new record
    std::size_t next = 0;
    for (const std::string& line : after) {
        Check(!ofKey(line), "written key removed");
        while (next < before.size() && before[next] != line) {
            ++next;
        }
        Check(next < before.size(), "carried line kept its bytes and order");
        ++next;
    }
    // Every line of another key that holds a "|" is carried over while the file is within the
    // examination bound.
    if (before.size() <= 10001) {
        std::size_t kept = 0;
        for (const std::string& line : before) {
            if (line.find('|') != std::string::npos && !ofKey(line)) {
                ++kept;
            }
        }
        std::size_t carriedWithBar = 0;
        for (const std::string& line : after) {
            carriedWithBar += line.find('|') != std::string::npos ? 1 : 0;
        }
        Check(carriedWithBar == kept, "every other record carried over");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    MemoryFiles files;
    FakeRegional regional;
    const std::string name = input.ConsumeBool() ? input.ConsumeRandomLengthString(12) : "allow";
    const std::string key = input.ConsumeRandomLengthString(16);
    const std::string value = input.ConsumeRandomLengthString(24);
    const bool existed = input.ConsumeBool();
    const std::string old = input.ConsumeRemainingBytesAsString();

    std::string path;
    try {
        path = RecordPath(files, name);
    } catch (const InvalidArgument&) {
        return 0;
    }
    // Whatever the name, its file lies in the program's folder and nowhere else ("." and ".." are
    // names too: "..var" and "...var" are files of the folder).
    Check(path == files.folder + "\\" + name + ".var" &&
              name.find_first_of("\\/:") == std::string::npos,
          "path stays in the folder");
    if (existed) {
        files.files[path] = old;
    }

    const auto read = [&](bool folded) -> std::optional<std::string> {
        try {
            return folded ? ReadRecord(files, regional, key, name) : ReadRecord(files, key, name);
        } catch (const InvalidArgument&) {
            Check(HasLineEnd(key), "only a key with a line end fails to read");
            return std::nullopt;
        }
    };
    read(false);
    read(true);

    WriteRecord(files, key, name, value);
    if (value.empty()) {
        Check(files.files.count(path) == (existed ? 1U : 0U) &&
                  (!existed || files.files[path] == old),
              "empty value changes nothing");
        return 0;
    }
    Check(files.files.size() == 1, "no temporary file left");
    const std::string written = files.files[path];
    CheckWrite(old, existed, written, key, value);

    if (!HasLineEnd(key) && value.find('\r') == std::string::npos) {
        // The written value is found unless a line carried over holds the key's pattern inside
        // it (a record of it in any letter case at a line's start is gone).
        const std::string pattern = RecordPattern(key);
        const std::string carried =
            written.substr(0, written.size() - pattern.size() - value.size() - 2);
        if (AsciiLower(carried).find(AsciiLower(pattern)) == std::string::npos) {
            Check(read(false) == value, "read finds the value just written");
        }
        if (!existed ||
            regional.ToLower(old).find(regional.ToLower(pattern)) == std::string::npos) {
            Check(read(true) == value, "folded read finds the value just written");
        }
        // Writing the same again changes nothing.
        WriteRecord(files, key, name, value);
        Check(files.files[path] == written, "a second identical write is a no-op");
    }
    return 0;
}
