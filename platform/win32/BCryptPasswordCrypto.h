#pragma once
// PBKDF2-HMAC-SHA256 and random bytes from Windows' own bcrypt.dll. The library is bound by name
// at the first call, from System32 only (the program's folder is the children's to write), and
// stays loaded. Safe to call from several threads at once: each derivation opens its own
// algorithm handle.
#include <windows.h>

#include <mutex>

#include "platform/PasswordCrypto.h"
#include "platform/win32/Handles.h"

namespace tembrel {

class BCryptPasswordCrypto : public PasswordCrypto {
  public:
    std::vector<std::uint8_t> Pbkdf2Sha256(std::string_view password,
                                           std::span<const std::uint8_t> salt,
                                           std::uint32_t iterations, std::size_t length) override;
    void RandomBytes(std::span<std::uint8_t> bytes) override;

  private:
    // bcrypt's own declarations; NTSTATUS is a LONG, and below zero is a failure.
    using OpenProvider = LONG(WINAPI*)(void** algorithm, const wchar_t* id,
                                       const wchar_t* implementation, ULONG flags);
    using CloseProvider = LONG(WINAPI*)(void* algorithm, ULONG flags);
    using DeriveKeyPbkdf2 = LONG(WINAPI*)(void* prf, UCHAR* password, ULONG passwordLength,
                                          UCHAR* salt, ULONG saltLength, ULONGLONG iterations,
                                          UCHAR* derived, ULONG derivedLength, ULONG flags);
    using GenRandom = LONG(WINAPI*)(void* algorithm, UCHAR* buffer, ULONG length, ULONG flags);

    struct Functions {
        OpenProvider open = nullptr;
        CloseProvider close = nullptr;
        DeriveKeyPbkdf2 derive = nullptr;
        GenRandom random = nullptr;
    };
    // The bound functions; throws CryptoError when the library or one of them is missing.
    const Functions& Bind();

    std::mutex mutex_;
    UniqueModule module_;
    Functions functions_;
};

} // namespace tembrel
