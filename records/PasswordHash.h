#pragma once
// A password kept as a slow salted hash, in one text that says how it was made:
//   pbkdf2-sha256$<iterations>$<salt, 32 hex digits>$<hash, 64 hex digits>
// PBKDF2 with HMAC-SHA256 over the password's bytes, a 16-byte random salt and a 32-byte result.
// The count travels with the hash, so a later version can raise it and still check old hashes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "platform/PasswordCrypto.h"

namespace tembrel {

// A stored hash text that is not one this program can check: every entry against it is refused.
struct DamagedPasswordHash : TembrelError {
    using TembrelError::TembrelError;
};

struct PasswordHash {
    static constexpr std::string_view kAlgorithm = "pbkdf2-sha256";
    // Today's recommendation for PBKDF2-HMAC-SHA256.
    static constexpr std::uint32_t kIterations = 600000;
    // A stored count outside these bounds is taken for damage: below, the hash is too cheap to
    // guess; above, a single check would hold the machine for minutes.
    static constexpr std::uint32_t kMinIterations = 100000;
    static constexpr std::uint32_t kMaxIterations = 10000000;
    static constexpr std::size_t kSaltBytes = 16;
    static constexpr std::size_t kHashBytes = 32;

    std::uint32_t iterations = kIterations;
    std::array<std::uint8_t, kSaltBytes> salt{};
    std::array<std::uint8_t, kHashBytes> hash{};
};

// The stored text of `hash` (hex in lower case).
std::string FormatPasswordHash(const PasswordHash& hash);
// The hash a stored text describes. Throws DamagedPasswordHash, saying what is wrong, for
// anything else: another shape, an unknown algorithm, a count out of bounds or not in decimal
// digits, a salt or hash of the wrong length or not in hex.
PasswordHash ParsePasswordHash(std::string_view text);

// A new hash of `password` with a fresh random salt.
PasswordHash MakePasswordHash(PasswordCrypto& crypto, std::string_view password,
                              std::uint32_t iterations = PasswordHash::kIterations);
// True when `password` gives `hash`; the comparison takes the same time wherever the first
// difference lies.
bool PasswordHashMatches(PasswordCrypto& crypto, const PasswordHash& hash,
                         std::string_view password);

} // namespace tembrel
