#include "records/FileHandle.h"

#include <algorithm>
#include <array>

#include "platform/Errors.h"

namespace tembrel {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return AsciiLower(c); });
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// Windows opens these as devices whatever folder or extension goes with them ("NUL.var" is the
// null device), so a record of that name would never reach a file. The superscript digits are the
// Windows-1252 bytes that Windows also treats as COM and LPT port numbers.
bool IsDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') {
        base.remove_suffix(1);
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (EqualsNoCase(base, device)) {
            return true;
        }
    }
    if (base.size() == 4 &&
        (EqualsNoCase(base.substr(0, 3), "COM") || EqualsNoCase(base.substr(0, 3), "LPT"))) {
        const auto digit = static_cast<unsigned char>(base[3]);
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

// Windows takes at most 255 characters for a file name and 259 for a whole path (without the
// \\?\ form). A record file needs room beyond its name for ".var" and for the suffix of the
// temporary file a write swaps in, so that every file a write touches can be created; a name with
// no such room would let a session start whose use could never be recorded.
constexpr std::size_t kMaxFileName = 255;
constexpr std::size_t kMaxPath = 259;
constexpr std::size_t kSuffixRoom = 4 + 40; // ".var", then the temporary file's suffix

void CheckRecordName(std::string_view name) {
    const auto refuse = [&](const char* why) {
        throw InvalidArgument("record name \"" + std::string(name) + "\" refused: " + why);
    };
    if (name.empty()) {
        refuse("empty");
    }
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            refuse("control character");
        }
        if (std::string_view("\\/:<>\"|?*").find(c) != std::string_view::npos) {
            refuse("character not allowed in a file name");
        }
    }
    // Windows drops trailing dots and spaces, so "ps." or "ps " would silently stand for "ps";
    // this also refuses "." and "..", the only path steps left once separators are out.
    if (name.back() == '.' || name.back() == ' ') {
        refuse("ends with a dot or a space");
    }
    if (IsDeviceName(name)) {
        refuse("device name");
    }
    if (name.size() + kSuffixRoom > kMaxFileName) {
        refuse("too long for a file name");
    }
}

std::optional<std::string> FindValue(std::string_view text, std::string_view foldedText,
                                     std::string_view foldedPattern) {
    const std::size_t match = foldedText.find(foldedPattern);
    if (match == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t begin = match + foldedPattern.size();
    // A last line without its CR (a file finished by hand or by another program) still ends at the
    // end of the file: refusing it would make the file unreadable for good.
    const std::size_t end = std::min(text.find('\r', match), text.size());
    if (end < begin) {
        // Only a key that holds a CR gets here; no record can be stored under it.
        throw InvalidArgument("a record key cannot hold a line end");
    }
    return std::string(text.substr(begin, end - begin));
}

template <class Fold>
std::optional<std::string> ReadRecordWith(Files& files, std::string_view key, std::string_view name,
                                          Fold fold) {
    const std::string path = RecordPath(files, name);
    if (!RecordFileExists(files, path)) {
        return std::nullopt;
    }
    const std::string text = files.ReadAll(path);
    const std::string foldedText = fold(text);
    const std::string foldedPattern = fold(RecordPattern(key));
    if (foldedText.size() != text.size()) {
        // The match position must mean the same byte in both texts.
        throw InvalidArgument("lower-casing changed the length of record file " + path);
    }
    return FindValue(text, foldedText, foldedPattern);
}

} // namespace

std::string RecordPattern(std::string_view key) {
    std::string pattern;
    pattern.reserve(key.size() + 6);
    pattern.append("|||").append(key).append("|||");
    return pattern;
}

bool RecordFileExists(const Files& files, const std::string& path) {
    try {
        return files.IsPlainFile(path);
    } catch (...) {
        // A look-up that fails means there is no such file for us.
        return false;
    }
}

std::string RecordPath(const Files& files, std::string_view name) {
    CheckRecordName(name);
    std::string folder = files.ProgramFolder();
    if (folder.size() + 1 + name.size() + kSuffixRoom > kMaxPath) {
        throw InvalidArgument("record name \"" + std::string(name) +
                              "\" refused: too long for a path in folder " + folder);
    }
    return folder.append("\\").append(name).append(".var");
}

std::optional<std::string> ReadRecord(Files& files, std::string_view key, std::string_view name) {
    return ReadRecordWith(files, key, name, [](std::string_view text) { return AsciiLower(text); });
}

std::optional<std::string> ReadRecord(Files& files, const Regional& regional, std::string_view key,
                                      std::string_view name) {
    return ReadRecordWith(files, key, name,
                          [&](std::string_view text) { return regional.ToLower(text); });
}

} // namespace tembrel
