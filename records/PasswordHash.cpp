#include "records/PasswordHash.h"

#include <charconv>
#include <vector>

namespace tembrel {

namespace {

constexpr char kSeparator = '$';
constexpr char kHexDigits[] = "0123456789abcdef";

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text.push_back(kHexDigits[byte >> 4]);
        text.push_back(kHexDigits[byte & 0x0F]);
    }
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

[[noreturn]] void Damaged(const std::string& what) {
    throw DamagedPasswordHash("the stored password hash is damaged: " + what);
}

template <std::size_t N>
std::array<std::uint8_t, N> FromHex(std::string_view text, const char* what) {
    if (text.size() != N * 2) {
        Damaged(std::string(what) + " of " + std::to_string(text.size()) + " hex digits, not " +
                std::to_string(N * 2));
    }
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            Damaged(std::string(what) + " not in hex digits");
        }
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return bytes;
}

std::uint32_t ParseIterations(std::string_view text) {
    // Digits only: from_chars alone would take a sign, and a count that overflows is damage too.
    std::uint64_t value = 0;
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string_view::npos;
    if (digits) {
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    if (!digits || value < PasswordHash::kMinIterations || value > PasswordHash::kMaxIterations) {
        Damaged("an iteration count of \"" + std::string(text.substr(0, 12)) + "\", not " +
                std::to_string(PasswordHash::kMinIterations) + " to " +
                std::to_string(PasswordHash::kMaxIterations));
    }
    return static_cast<std::uint32_t>(value);
}

std::array<std::uint8_t, PasswordHash::kHashBytes>
Derive(PasswordCrypto& crypto, std::string_view password, const PasswordHash& hash) {
    const std::vector<std::uint8_t> derived =
        crypto.Pbkdf2Sha256(password, hash.salt, hash.iterations, PasswordHash::kHashBytes);
    if (derived.size() != PasswordHash::kHashBytes) {
        throw CryptoError("PBKDF2 gave " + std::to_string(derived.size()) + " bytes");
    }
    std::array<std::uint8_t, PasswordHash::kHashBytes> bytes{};
    std::copy(derived.begin(), derived.end(), bytes.begin());
    return bytes;
}

} // namespace

std::string FormatPasswordHash(const PasswordHash& hash) {
    return std::string(PasswordHash::kAlgorithm) + kSeparator + std::to_string(hash.iterations) +
           kSeparator + Hex(hash.salt) + kSeparator + Hex(hash.hash);
}

PasswordHash ParsePasswordHash(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t begin = 0;;) {
        const std::size_t end = text.find(kSeparator, begin);
        fields.push_back(text.substr(begin, end - begin));
        if (end == std::string_view::npos || fields.size() > 4) {
            break;
        }
        begin = end + 1;
    }
    if (fields.size() != 4) {
        Damaged("not of the form algorithm$iterations$salt$hash");
    }
    if (fields[0] != PasswordHash::kAlgorithm) {
        Damaged("unknown algorithm \"" + std::string(fields[0].substr(0, 32)) + "\"");
    }
    PasswordHash hash;
    hash.iterations = ParseIterations(fields[1]);
    hash.salt = FromHex<PasswordHash::kSaltBytes>(fields[2], "a salt");
    hash.hash = FromHex<PasswordHash::kHashBytes>(fields[3], "a hash");
    return hash;
}

PasswordHash MakePasswordHash(PasswordCrypto& crypto, std::string_view password,
                              std::uint32_t iterations) {
    PasswordHash hash;
    hash.iterations = iterations;
    crypto.RandomBytes(hash.salt);
    hash.hash = Derive(crypto, password, hash);
    return hash;
}

bool PasswordHashMatches(PasswordCrypto& crypto, const PasswordHash& hash,
                         std::string_view password) {
    const auto derived = Derive(crypto, password, hash);
    // Every byte is looked at whatever the earlier ones were, so the time a refusal takes does
    // not tell how much of a guess was right.
    unsigned difference = 0;
    for (std::size_t i = 0; i < derived.size(); ++i) {
        difference |= static_cast<unsigned>(derived[i] ^ hash.hash[i]);
    }
    return difference == 0;
}

} // namespace tembrel
