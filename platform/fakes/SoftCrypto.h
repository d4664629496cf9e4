#pragma once
// PBKDF2-HMAC-SHA256 in plain C++, for the tests of the portable core, which run without the
// system's cryptography; its results are checked against published vectors. The random bytes
// are a counter, so that a test can tell salts apart and repeat a run. Not for the program:
// Windows' own bcrypt.dll does this there.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <tuple>

#include "platform/PasswordCrypto.h"

namespace tembrel {

std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> message);
std::array<std::uint8_t, 32> HmacSha256(std::span<const std::uint8_t> key,
                                        std::span<const std::uint8_t> message);

class SoftCrypto : public PasswordCrypto {
  public:
    std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password,
                                           std::span<const std::uint8_t> salt,
                                           std::uint32_t iterations, std::size_t length) override;
    void RandomBytes(std::span<std::uint8_t> bytes) override;

    // How many derivations were asked for, and how many were worked out (the rest were
    // remembered: a test that checks one hash many times pays for it once).
    int derivations = 0;
    int computed = 0;
    // Every derivation throws CryptoError, as when the system's provider cannot be opened.
    bool fail = false;
    // When set, no derivation works more rounds than this, whatever it is asked for: tests that
    // make and check many hashes of the stored count stay fast. Made and checked hashes still
    // agree, but they are no longer PBKDF2's.
    std::uint32_t roundCap = 0;

  private:
    std::mutex mutex_;
    std::uint8_t next_ = 0;
    std::map<std::tuple<std::string, std::string, std::uint32_t, std::size_t>,
             std::vector<std::uint8_t>>
        remembered_;
};

} // namespace tembrel
