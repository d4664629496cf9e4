#include "records/StoredPasswords.h"

#include <initializer_list>
#include <optional>

#include "records/Counter.h"
#include "records/FileHandle.h"
#include "records/Optionals.h"
#include "records/RecordContract.h"

namespace tembrel {

using namespace contract;

namespace {

// True when the folded line holds the folded pattern where a character begins, as a read would
// find it there.
bool HoldsRecord(const Regional& regional, std::string_view line, std::string_view pattern) {
    std::size_t boundary = 0;
    for (std::size_t at = line.find(pattern); at != std::string_view::npos;
         at = line.find(pattern, at + 1)) {
        while (boundary < at) {
            boundary += CharacterSize(regional, line, boundary);
        }
        if (boundary == at) {
            return true;
        }
    }
    return false;
}

// Rewrites the record file at `path` without any line a read of a key in `drop` would find
// (whatever its letter case), and with `key` = `value` appended when given. Nothing is written
// when nothing changes.
void RewriteRecords(Files& files, const Regional& regional, const std::string& path,
                    std::initializer_list<std::string_view> drop,
                    std::optional<std::pair<std::string_view, std::string>> add) {
    const std::string old = ReadRecordText(files, path).value_or("");
    std::vector<std::string> patterns;
    for (const std::string_view key : drop) {
        patterns.push_back(regional.ToLower(RecordPattern(key)));
    }
    std::string text;
    bool dropped = false;
    for (std::size_t pos = 0; pos < old.size();) {
        if (old[pos] == '\r' || old[pos] == '\n') {
            ++pos;
            continue;
        }
        const std::size_t end = std::min(old.find('\r', pos), old.size());
        const std::string_view line = std::string_view(old).substr(pos, end - pos);
        const std::string folded = regional.ToLower(line);
        bool keep = true;
        for (const std::string& pattern : patterns) {
            keep = keep && !HoldsRecord(regional, folded, pattern);
        }
        if (keep) {
            text.append(line).append("\r\n");
        }
        dropped = dropped || !keep;
        pos = end;
    }
    if (add) {
        text.append(RecordPattern(add->first)).append(add->second).append("\r\n");
    }
    if (dropped || add) {
        ReplaceFile(files, path, text);
    }
}

std::string NewHashText(PasswordCrypto& crypto, std::string_view password) {
    return FormatPasswordHash(MakePasswordHash(crypto, password));
}

// A stored value, empty text counted as none, as everywhere in the records.
std::optional<std::string> Value(Files& files, const Regional& regional, std::string_view key,
                                 std::string_view name) {
    auto value = ReadRecord(files, regional, key, name);
    if (value && value->empty()) {
        value.reset();
    }
    return value;
}

StoredPassword ReadStored(Files& files, const Regional& regional, std::string_view name,
                          std::string_view hashKey, std::string_view readableKey) {
    StoredPassword stored;
    if (const auto hash = Value(files, regional, hashKey, name)) {
        stored.form = StoredPassword::Form::Hash;
        stored.hash = ParsePasswordHash(*hash);
    } else if (const auto readable = Value(files, regional, readableKey, name)) {
        stored.form = StoredPassword::Form::Readable;
        stored.readable = ShiftText(regional, *readable, 1);
    }
    return stored;
}

// Converts one file's readable password; `toHashed` gives the text a password is hashed as.
void ConvertFile(Files& files, const Regional& regional, PasswordCrypto& crypto,
                 std::string_view name, std::string_view hashKey, std::string_view readableKey,
                 std::string (*toHashed)(const Regional&, std::string_view)) {
    const auto readable = ReadRecord(files, regional, readableKey, name);
    if (!readable) {
        return;
    }
    const std::string path = RecordPath(files, regional, name);
    if (readable->empty() || Value(files, regional, hashKey, name)) {
        RewriteRecords(files, regional, path, {readableKey}, std::nullopt);
        return;
    }
    // Decoded before anything is written: a password that cannot be decoded stays as it is.
    const std::string password = ShiftText(regional, *readable, 1);
    RewriteRecords(files, regional, path, {readableKey, hashKey},
                   std::make_pair(hashKey, NewHashText(crypto, toHashed(regional, password))));
}

std::string AsTyped(const Regional& /*regional*/, std::string_view password) {
    return std::string(password);
}

} // namespace

std::string MasterPasswordText(const Regional& regional, std::string_view password) {
    return regional.ToLower(password);
}

StoredPassword ReadMasterPassword(Files& files, const Regional& regional) {
    StoredPassword stored =
        ReadStored(files, regional, kPasswordFile, kMasterHashKey, kMasterPasswordKey);
    stored.readable = MasterPasswordText(regional, stored.readable);
    return stored;
}

StoredPassword ReadChildPassword(Files& files, const Regional& regional, std::string_view child) {
    return ReadStored(files, regional, child, kChildHashKey, kChildPasswordKey);
}

bool StoredPasswordMatches(const StoredPassword& stored, PasswordCrypto& crypto,
                           std::string_view entry) {
    switch (stored.form) {
    case StoredPassword::Form::Hash:
        return PasswordHashMatches(crypto, stored.hash, entry);
    case StoredPassword::Form::Readable:
        return entry == stored.readable;
    case StoredPassword::Form::None:
        break;
    }
    return false;
}

bool MasterPasswordMatches(Files& files, const Regional& regional, PasswordCrypto& crypto,
                           std::string_view entry) {
    const StoredPassword stored = ReadMasterPassword(files, regional);
    if (stored.form == StoredPassword::Form::None) {
        // A child who hides or empties ps.var must not find every door open.
        throw NoMasterPassword("no master password stored; the entry is refused");
    }
    return StoredPasswordMatches(stored, crypto, MasterPasswordText(regional, entry));
}

bool ChildPasswordMatches(Files& files, const Regional& regional, PasswordCrypto& crypto,
                          std::string_view child, std::string_view entry) {
    const StoredPassword stored = ReadChildPassword(files, regional, child);
    return stored.form == StoredPassword::Form::None ||
           StoredPasswordMatches(stored, crypto, entry);
}

bool HasMasterPassword(Files& files, const Regional& regional) {
    return Value(files, regional, kMasterHashKey, kPasswordFile) ||
           Value(files, regional, kMasterPasswordKey, kPasswordFile);
}

std::string MasterPasswordHashText(const Regional& regional, PasswordCrypto& crypto,
                                   std::string_view password) {
    return NewHashText(crypto, MasterPasswordText(regional, password));
}

std::string ChildPasswordHashText(PasswordCrypto& crypto, std::string_view password) {
    return NewHashText(crypto, password);
}

void StoreMasterPassword(Files& files, const Regional& regional, PasswordCrypto& crypto,
                         std::string_view password) {
    RewriteRecords(
        files, regional, RecordPath(files, kPasswordFile), {kMasterPasswordKey, kMasterHashKey},
        std::make_pair(kMasterHashKey, MasterPasswordHashText(regional, crypto, password)));
}

void StoreChildPassword(Files& files, const Regional& regional, PasswordCrypto& crypto,
                        std::string_view child, std::string_view password) {
    RewriteRecords(files, regional, RecordPath(files, regional, child),
                   {kChildPasswordKey, kChildHashKey},
                   std::make_pair(kChildHashKey, ChildPasswordHashText(crypto, password)));
}

std::vector<std::string> ConvertReadablePasswords(Files& files, const Regional& regional,
                                                  PasswordCrypto& crypto) {
    std::vector<std::string> problems;
    const auto convert = [&](std::string_view name, std::string_view hashKey,
                             std::string_view readableKey,
                             std::string (*toHashed)(const Regional&, std::string_view)) {
        try {
            ConvertFile(files, regional, crypto, name, hashKey, readableKey, toHashed);
        } catch (const std::exception& e) {
            problems.push_back("the password of record " + std::string(name) +
                               " stays unconverted: " + e.what());
        }
    };
    convert(kPasswordFile, kMasterHashKey, kMasterPasswordKey, &MasterPasswordText);

    std::string list;
    try {
        list = ReadRecord(files, kChildrenKey, kChildrenFile).value_or("");
    } catch (const std::exception& e) {
        problems.push_back(std::string("the list of children cannot be read: ") + e.what());
    }
    for (const std::string& child : ChildrenOfList(list)) {
        convert(child, kChildHashKey, kChildPasswordKey, &AsTyped);
    }
    return problems;
}

} // namespace tembrel
