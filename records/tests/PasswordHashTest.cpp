#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fakes/Pbkdf2Vectors.h"
#include "platform/fakes/SoftCrypto.h"
#include "records/PasswordHash.h"

namespace tembrel {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(PasswordHashTest, SoftPbkdf2GivesTheKnownAnswers) {
    SoftCrypto crypto;
    for (const Pbkdf2Vector& v : kPbkdf2Vectors) {
        SCOPED_TRACE(std::string(v.password) + " " + std::to_string(v.iterations));
        EXPECT_EQ(Hex(crypto.Pbkdf2Sha256(v.password, Bytes(v.salt), v.iterations, v.length)),
                  v.derived);
    }
    // SHA-256 itself, padding on both sides of a block's end (FIPS 180-2 examples).
    const auto sha = [](std::string_view text) {
        const auto digest = Sha256(Bytes(text));
        return Hex({digest.begin(), digest.end()});
    };
    EXPECT_EQ(sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(PasswordHashTest, MadeHashesRoundTripAndCheck) {
    SoftCrypto crypto;
    crypto.roundCap = 1000;
    const PasswordHash first = MakePasswordHash(crypto, "Rex2024", PasswordHash::kMinIterations);
    const PasswordHash second = MakePasswordHash(crypto, "Rex2024", PasswordHash::kMinIterations);
    EXPECT_NE(first.salt, second.salt); // a fresh salt each time
    EXPECT_NE(first.hash, second.hash);

    const std::string text = FormatPasswordHash(first);
    EXPECT_EQ(text.substr(0, 21), "pbkdf2-sha256$100000$");
    EXPECT_EQ(text.size(), 21 + 32 + 1 + 64u);
    const PasswordHash parsed = ParsePasswordHash(text);
    EXPECT_EQ(parsed.iterations, first.iterations);
    EXPECT_EQ(parsed.salt, first.salt);
    EXPECT_EQ(parsed.hash, first.hash);

    EXPECT_TRUE(PasswordHashMatches(crypto, parsed, "Rex2024"));
    for (const char* wrong : {"rex2024", "Rex2024 ", "Rex202", ""}) {
        EXPECT_FALSE(PasswordHashMatches(crypto, parsed, wrong)) << wrong;
    }
    EXPECT_EQ(MakePasswordHash(crypto, "x").iterations, 600000u);
}

TEST(PasswordHashTest, ForeignHashIsCheckedAndHexMayBeUpperCase) {
    SoftCrypto crypto;
    std::string text(kForeignMasterHashLowCount);
    EXPECT_TRUE(PasswordHashMatches(crypto, ParsePasswordHash(text), "rex2024"));
    for (std::size_t i = 21; i < text.size(); ++i) {
        text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
    EXPECT_TRUE(PasswordHashMatches(crypto, ParsePasswordHash(text), "rex2024"));
    EXPECT_FALSE(PasswordHashMatches(crypto, ParsePasswordHash(text), "Rex2024"));
}

TEST(PasswordHashTest, EveryDamagedFormIsRefused) {
    const std::string salt = "00112233445566778899aabbccddeeff";
    const std::string hash(64, 'a');
    const auto text = [&](const std::string& algorithm, const std::string& count,
                          const std::string& s, const std::string& h) {
        return algorithm + "$" + count + "$" + s + "$" + h;
    };
    // The bounds themselves are good.
    EXPECT_EQ(ParsePasswordHash(text("pbkdf2-sha256", "100000", salt, hash)).iterations, 100000u);
    EXPECT_EQ(ParsePasswordHash(text("pbkdf2-sha256", "10000000", salt, hash)).iterations,
              10000000u);

    const std::string damaged[] = {
        "",
        "Qdw1/13",                                         // the readable form
        "pbkdf2-sha256",                                   // one field
        "pbkdf2-sha256$600000$" + salt,                    // three
        text("pbkdf2-sha256", "600000", salt, hash) + "$", // five
        text("pbkdf2-sha256", "600000", salt, hash) + " ", // trailing space
        text("pbkdf2-sha1", "600000", salt, hash),
        text("PBKDF2-SHA256", "600000", salt, hash),
        text("bcrypt", "600000", salt, hash),
        text("pbkdf2-sha256", "99999", salt, hash),
        text("pbkdf2-sha256", "10000001", salt, hash),
        text("pbkdf2-sha256", "4294967896", salt, hash), // 600000 after a 32-bit wrap
        text("pbkdf2-sha256", "", salt, hash),
        text("pbkdf2-sha256", "+600000", salt, hash),
        text("pbkdf2-sha256", "-600000", salt, hash),
        text("pbkdf2-sha256", " 600000", salt, hash),
        text("pbkdf2-sha256", "6e5", salt, hash),
        text("pbkdf2-sha256", "600000", salt.substr(2), hash),
        text("pbkdf2-sha256", "600000", salt + "00", hash),
        text("pbkdf2-sha256", "600000", "", hash),
        text("pbkdf2-sha256", "600000", salt, hash.substr(1)),
        text("pbkdf2-sha256", "600000", salt, hash + "aa"),
        text("pbkdf2-sha256", "600000", "0g" + salt.substr(2), hash),
        text("pbkdf2-sha256", "600000", salt, hash.substr(2) + " a"),
        text("pbkdf2-sha256", "600000", salt, hash.substr(2) + "0x"),
    };
    for (const std::string& form : damaged) {
        EXPECT_THROW(ParsePasswordHash(form), DamagedPasswordHash) << form;
    }
}

} // namespace
} // namespace tembrel
