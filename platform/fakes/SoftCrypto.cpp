#include "platform/fakes/SoftCrypto.h"

#include <algorithm>
#include <cstring>

namespace tembrel {

namespace {

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr std::size_t kBlock = 64;

std::uint32_t Rotate(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

using State = std::array<std::uint32_t, 8>;
using Block = std::array<std::uint8_t, kBlock>;

void Compress(State& h, const Block& block) {
    std::array<std::uint32_t, 64> w{};
    for (int i = 0; i < 16; ++i) {
        w[i] = static_cast<std::uint32_t>(block[4 * i]) << 24 |
               static_cast<std::uint32_t>(block[4 * i + 1]) << 16 |
               static_cast<std::uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    }
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = k + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                                 ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const std::uint32_t t2 =
            (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += k;
}

using Digest = std::array<std::uint8_t, 32>;

Digest DigestOf(const State& h) {
    Digest digest{};
    for (int i = 0; i < 32; ++i) {
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

// SHA-256 of `message`, continuing from state `h` after `before` bytes already compressed.
Digest Finish(State h, std::uint64_t before, std::span<const std::uint8_t> message) {
    const std::uint64_t bits = (before + message.size()) * 8;
    Block block{};
    std::size_t filled = 0;
    for (const std::uint8_t byte : message) {
        block[filled++] = byte;
        if (filled == kBlock) {
            Compress(h, block);
            filled = 0;
        }
    }
    block[filled++] = 0x80;
    if (filled > kBlock - 8) {
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(filled), block.end(), 0);
        Compress(h, block);
        filled = 0;
    }
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(filled), block.end() - 8, 0);
    for (int i = 0; i < 8; ++i) {
        block[kBlock - 8 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    }
    Compress(h, block);
    return DigestOf(h);
}

// HMAC keyed once: the states after the inner and the outer pad, reused for every message.
class Hmac {
  public:
    explicit Hmac(std::span<const std::uint8_t> key) {
        Block pad{};
        if (key.size() > kBlock) {
            const Digest digest = Finish(kInitial, 0, key);
            std::memcpy(pad.data(), digest.data(), digest.size());
        } else if (!key.empty()) {
            std::memcpy(pad.data(), key.data(), key.size());
        }
        for (std::uint8_t& byte : pad) {
            byte ^= 0x36;
        }
        Compress(inner_, pad);
        for (std::uint8_t& byte : pad) {
            byte ^= 0x36 ^ 0x5c;
        }
        Compress(outer_, pad);
    }

    Digest Of(std::span<const std::uint8_t> message) const {
        return Finish(outer_, kBlock, Finish(inner_, kBlock, message));
    }

  private:
    State inner_ = kInitial;
    State outer_ = kInitial;
};

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> message) {
    return Finish(kInitial, 0, message);
}

std::array<std::uint8_t, 32> HmacSha256(std::span<const std::uint8_t> key,
                                        std::span<const std::uint8_t> message) {
    return Hmac(key).Of(message);
}

std::vector<std::uint8_t> SoftCrypto::Pbkdf2Sha256(std::string_view password,
                                                   std::span<const std::uint8_t> salt,
                                                   std::uint32_t iterations, std::size_t length) {
    const auto key = std::make_tuple(std::string(password), std::string(salt.begin(), salt.end()),
                                     iterations, length);
    {
        const std::lock_guard lock(mutex_);
        ++derivations;
        if (fail) {
            throw CryptoError("no PBKDF2 today");
        }
        if (const auto found = remembered_.find(key); found != remembered_.end()) {
            return found->second;
        }
    }
    if (roundCap != 0) {
        iterations = std::min(iterations, roundCap);
    }
    const Hmac hmac(Bytes(password));
    std::vector<std::uint8_t> derived;
    for (std::uint32_t block = 1; derived.size() < length; ++block) {
        std::vector<std::uint8_t> first(salt.begin(), salt.end());
        for (int shift = 24; shift >= 0; shift -= 8) {
            first.push_back(static_cast<std::uint8_t>(block >> shift));
        }
        std::array<std::uint8_t, 32> u = hmac.Of(first);
        std::array<std::uint8_t, 32> t = u;
        for (std::uint32_t round = 1; round < iterations; ++round) {
            u = hmac.Of(u);
            for (std::size_t i = 0; i < t.size(); ++i) {
                t[i] ^= u[i];
            }
        }
        derived.insert(
            derived.end(), t.begin(),
            t.begin() + static_cast<std::ptrdiff_t>(std::min(t.size(), length - derived.size())));
    }
    const std::lock_guard lock(mutex_);
    ++computed;
    remembered_[key] = derived;
    return derived;
}

void SoftCrypto::RandomBytes(std::span<std::uint8_t> bytes) {
    const std::lock_guard lock(mutex_);
    for (std::uint8_t& byte : bytes) {
        byte = next_++;
    }
}

} // namespace tembrel
