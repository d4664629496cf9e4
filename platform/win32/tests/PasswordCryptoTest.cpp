#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/fakes/Pbkdf2Vectors.h"
#include "platform/fakes/SoftCrypto.h"
#include "platform/win32/BCryptPasswordCrypto.h"
#include "platform/win32/Win32BackgroundWork.h"
#include "records/PasswordHash.h"

namespace tembrel {
namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(pair, sizeof(pair), "%02x", byte);
        text += pair;
    }
    return text;
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(PasswordCryptoTest, BCryptGivesTheKnownAnswers) {
    BCryptPasswordCrypto crypto;
    for (const Pbkdf2Vector& v : kPbkdf2Vectors) {
        SCOPED_TRACE(std::string(v.password) + " " + std::to_string(v.iterations));
        EXPECT_EQ(Hex(crypto.Pbkdf2Sha256(v.password, Bytes(v.salt), v.iterations, v.length)),
                  v.derived);
    }
    // An empty entry is checked like any other (and agrees with our own implementation).
    SoftCrypto soft;
    const std::uint8_t salt[16] = {1, 2, 3};
    EXPECT_EQ(crypto.Pbkdf2Sha256("", salt, 2, 32), soft.Pbkdf2Sha256("", salt, 2, 32));
}

TEST(PasswordCryptoTest, SaltsAreRandom) {
    BCryptPasswordCrypto crypto;
    const PasswordHash first = MakePasswordHash(crypto, "x", PasswordHash::kMinIterations);
    const PasswordHash second = MakePasswordHash(crypto, "x", PasswordHash::kMinIterations);
    EXPECT_NE(first.salt, second.salt);
    EXPECT_TRUE(PasswordHashMatches(crypto, second, "x"));
}

// Another implementation's hash of the stored count checks here; the time of one check decides
// whether a check may run on the UI thread (it may not: about a second under Wine).
TEST(PasswordCryptoTest, ForeignHashChecksAndOneCheckIsTimed) {
    BCryptPasswordCrypto crypto;
    const PasswordHash hash = ParsePasswordHash(kForeignMasterHash);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(PasswordHashMatches(crypto, hash, "rex2024"));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    RecordProperty("check_seconds", std::to_string(took.count()));
    std::printf("one check of %u rounds: %.3f s\n", hash.iterations, took.count());
    EXPECT_FALSE(PasswordHashMatches(crypto, hash, "Rex2024"));
}

TEST(PasswordCryptoTest, WorkRunsAwayAndItsAnswerComesBackToTheUiThread) {
    Win32BackgroundWork background;
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<DWORD> workThread = 0;
    DWORD doneThread = 0;
    int done = 0;
    for (int i = 0; i < 3; ++i) {
        background.Run([&] { workThread = ::GetCurrentThreadId(); },
                       [&] {
                           doneThread = ::GetCurrentThreadId();
                           ++done;
                       });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    MSG message;
    while (done < 3 && std::chrono::steady_clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }
    EXPECT_EQ(done, 3);
    EXPECT_NE(workThread.load(), uiThread);
    EXPECT_EQ(doneThread, uiThread);

    // An answer still due when the work's owner goes is dropped, not delivered to what is gone:
    // the owner waits for the thread, whose answer is then queued, and goes with its window.
    {
        Win32BackgroundWork leaving;
        leaving.Run([] {}, [&] { ++done; });
    }
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
    EXPECT_EQ(done, 3);
}

} // namespace
} // namespace tembrel
