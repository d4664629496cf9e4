#include "records/FileHandle.h"

#include <algorithm>
#include <array>

#include "platform/Errors.h"
#include "records/FindDate.h"

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

// The code page of the record names when no regional settings are given: one byte a character.
class SingleByte final : public Regional {
  public:
    std::string ShortDate(const LocalTime&) const override { return {}; }
    std::string DecimalSeparator() const override { return "."; }
    std::string ToLower(std::string_view text) const override { return AsciiLower(text); }
    unsigned CodePage() const override { return 1252; }
    bool IsLeadByte(unsigned char) const override { return false; }
    bool IsDoubleByteCharacter(unsigned char, unsigned char) const override { return false; }
};

const SingleByte kSingleByte;

bool HasLeadBytes(const Regional& regional) {
    for (int b = 0x80; b < 0x100; ++b) {
        if (regional.IsLeadByte(static_cast<unsigned char>(b))) {
            return true;
        }
    }
    return false;
}

// Windows opens these as devices whatever folder or extension goes with them ("NUL.var" is the
// null device): it looks at the name up to its first dot, less the spaces before that dot, so
// "NUL .var", "NUL..var" and "NUL. .var" are the device too, while " NUL.var" is a file. A record
// of such a name would never reach a file. The superscript digits are the bytes that Windows also
// treats as COM and LPT port numbers on the code pages that have them; on a double-byte code page
// those bytes are other characters.
bool IsDeviceName(std::string_view name, bool superscripts) {
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
        return (digit >= '0' && digit <= '9') ||
               (superscripts && (digit == 0xB9 || digit == 0xB2 || digit == 0xB3));
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

// The characters of the text, a character of two bytes counting once, as Windows counts them.
std::size_t CharacterCount(const Regional& regional, std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CharacterSize(regional, text, i)) {
        ++count;
    }
    return count;
}

// A record name is refused only when name + ".var" could not be a plain file of the folder. A
// trailing dot or space is no reason: ".var" follows it, so "Tom Jr..var" and "Ann2026. 12.
// 09..var" are ordinary files. The check goes character by character: the trail byte of a character
// of two bytes may be "\" or "|" and is then part of that character, not a separator.
void CheckRecordName(const Regional& regional, std::string_view name) {
    const auto refuse = [&](const char* why) {
        throw InvalidArgument("record name \"" + std::string(name) + "\" refused: " + why);
    };
    if (name.empty()) {
        refuse("empty");
    }
    for (std::size_t i = 0; i < name.size();) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (regional.IsLeadByte(b)) {
            if (i + 1 >= name.size() ||
                !regional.IsDoubleByteCharacter(b, static_cast<unsigned char>(name[i + 1]))) {
                refuse("not a whole character of the code page");
            }
            i += 2;
            continue;
        }
        if (b < 0x20 || b == 0x7F) {
            refuse("control character");
        }
        if (std::string_view("\\/:<>\"|?*").find(name[i]) != std::string_view::npos) {
            refuse("character not allowed in a file name");
        }
        ++i;
    }
    if (IsDeviceName(name, !HasLeadBytes(regional))) {
        refuse("device name");
    }
    if (CharacterCount(regional, name) + kSuffixRoom > kMaxFileName) {
        refuse("too long for a file name");
    }
}

// The first match of the pattern that begins a character: a match that begins on the trail byte
// of a character of two bytes (which may be "|") is none.
std::size_t FindWhole(const Regional& regional, std::string_view text, std::string_view pattern) {
    std::size_t boundary = 0; // the start of a character, never past the candidate
    for (std::size_t from = 0;;) {
        const std::size_t match = text.find(pattern, from);
        if (match == std::string_view::npos) {
            return match;
        }
        while (boundary < match) {
            boundary += CharacterSize(regional, text, boundary);
        }
        if (boundary == match) {
            return match;
        }
        from = match + 1;
    }
}

std::optional<std::string> FindValue(const Regional& regional, std::string_view text,
                                     std::string_view foldedText, std::string_view foldedPattern) {
    const std::size_t match = FindWhole(regional, foldedText, foldedPattern);
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

// True when the text after the last CR holds more than LFs: a last line without its line end.
bool EndsInOpenLine(std::string_view text) {
    const std::size_t cr = text.rfind('\r');
    const std::size_t rest = cr == std::string_view::npos ? 0 : cr + 1;
    return text.find_first_not_of('\n', rest) != std::string_view::npos;
}

std::vector<std::optional<std::string>>
ReadRecordsWith(Files& files, const Regional& regional,
                std::initializer_list<std::string_view> keys, std::string_view name,
                const Clock* clock) {
    std::vector<std::optional<std::string>> values(keys.size());
    const auto content = ReadRecordText(files, RecordPath(files, regional, name), clock);
    if (!content) {
        return values;
    }
    const std::string& text = *content;
    const std::string foldedText = regional.ToLower(text);
    if (foldedText.size() != text.size()) {
        // The match position must mean the same byte in both texts.
        throw InvalidArgument("lower-casing changed the length of record file " +
                              std::string(name));
    }
    auto value = values.begin();
    for (const std::string_view key : keys) {
        *value++ = FindValue(regional, text, foldedText, regional.ToLower(RecordPattern(key)));
    }
    return values;
}

std::optional<std::string> ReadRecordWith(Files& files, const Regional& regional,
                                          std::string_view key, std::string_view name,
                                          const Clock* clock) {
    return ReadRecordsWith(files, regional, {key}, name, clock).front();
}

} // namespace

std::optional<std::string> ReadRecordText(Files& files, const std::string& path,
                                          const Clock* clock) {
    // A look-up that fails is a failed read, not a missing file: the usage writes add to what a
    // read finds, and a file taken for missing would lose everything it held.
    // The tick reads several records a second: one look-up brings all it needs of each.
    const std::optional<FileInfo> info = files.LookUp(path);
    if (!info) {
        return std::nullopt;
    }
    const auto tooLarge = [&] {
        return FileError("record file " + path + " is larger than " +
                         std::to_string(kMaxRecordFileBytes) + " bytes: damaged");
    };
    // The size first: a huge file must cost a tick nothing but this look-up.
    if (info->size > kMaxRecordFileBytes) {
        throw tooLarge();
    }
    std::string text = files.ReadAll(path);
    if (text.size() > kMaxRecordFileBytes) {
        throw tooLarge(); // it grew between the look-up and the read
    }
    if (clock != nullptr && EndsInOpenLine(text)) {
        // A write that began after the look-up shows in the size (a rewrite truncates the file
        // first); one that began before it, in the time.
        const long long age = LocalMilliseconds(clock->Now()) - LocalMilliseconds(info->lastWrite);
        if (text.size() != info->size ||
            (age < kSettleMilliseconds && age > -kSettleMilliseconds)) {
            throw FileBeingWritten("record file " + path + " is being written");
        }
    }
    return text;
}

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

const Regional& SingleByteCodePage() {
    return kSingleByte;
}

std::string RecordPath(const Files& files, std::string_view name) {
    return RecordPath(files, kSingleByte, name);
}

std::string RecordPath(const Files& files, const Regional& regional, std::string_view name) {
    CheckRecordName(regional, name);
    std::string folder = files.ProgramFolder();
    if (CharacterCount(regional, folder) + 1 + CharacterCount(regional, name) + kSuffixRoom >
        kMaxPath) {
        throw InvalidArgument("record name \"" + std::string(name) +
                              "\" refused: too long for a path in folder " + folder);
    }
    return folder.append("\\").append(name).append(".var");
}

std::string ProgramFilePath(const Files& files, std::string_view fileName) {
    return files.ProgramFolder().append("\\").append(fileName);
}

std::optional<std::string> ReadRecord(Files& files, std::string_view key, std::string_view name) {
    return ReadRecordWith(files, kSingleByte, key, name, nullptr);
}

std::optional<std::string> ReadRecord(Files& files, const Regional& regional, std::string_view key,
                                      std::string_view name) {
    return ReadRecordWith(files, regional, key, name, nullptr);
}

std::optional<std::string> ReadRecord(Files& files, const Regional& regional, const Clock& clock,
                                      std::string_view key, std::string_view name) {
    return ReadRecordWith(files, regional, key, name, &clock);
}

std::vector<std::optional<std::string>> ReadRecords(Files& files, const Regional& regional,
                                                    const Clock& clock,
                                                    std::initializer_list<std::string_view> keys,
                                                    std::string_view name) {
    return ReadRecordsWith(files, regional, keys, name, &clock);
}

} // namespace tembrel
