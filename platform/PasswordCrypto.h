#pragma once
// The two pieces of cryptography the stored passwords need, from the system: PBKDF2 with
// HMAC-SHA256, and random bytes for the salt. What the stored text looks like, and how an entry
// is compared, is the core's (records/PasswordHash.h). An implementation may be called from any
// thread, and from several at once.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Errors.h"

namespace tembrel {

// The system could not derive a key or give random bytes.
struct CryptoError : TembrelError {
    using TembrelError::TembrelError;
};

class PasswordCrypto {
  public:
    virtual ~PasswordCrypto() = default;
    // `length` bytes derived from the password's bytes and the salt in `iterations` rounds.
    virtual std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password,
                                                   std::span<const std::uint8_t> salt,
                                                   std::uint32_t iterations,
                                                   std::size_t length) = 0;
    // Fills `bytes` from the system's cryptographic random number generator.
    virtual void RandomBytes(std::span<std::uint8_t> bytes) = 0;
};

} // namespace tembrel
