#include "platform/win32/BCryptPasswordCrypto.h"

#include <limits>
#include <string>

#include "platform/win32/Procedure.h"

namespace tembrel {

namespace {

// bcrypt's names and flags, as its header gives them.
constexpr const wchar_t* kSha256 = L"SHA256";
constexpr ULONG kHmacFlag = 0x00000008;           // BCRYPT_ALG_HANDLE_HMAC_FLAG
constexpr ULONG kSystemPreferredRng = 0x00000002; // BCRYPT_USE_SYSTEM_PREFERRED_RNG

std::string StatusText(LONG status) {
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

void Check(LONG status, const char* what) {
    if (status < 0) {
        throw CryptoError(std::string("bcrypt.dll: ") + what + " failed with status " +
                          StatusText(status));
    }
}

ULONG Length(std::size_t size) {
    if (size > std::numeric_limits<ULONG>::max()) {
        throw CryptoError("bcrypt.dll: a buffer too large");
    }
    return static_cast<ULONG>(size);
}

} // namespace

const BCryptPasswordCrypto::Functions& BCryptPasswordCrypto::Bind() {
    const std::lock_guard lock(mutex_);
    if (functions_.random != nullptr) {
        return functions_;
    }
    if (!module_) {
        // By name, but from System32 alone: a bcrypt.dll a child leaves in the program's folder
        // is never the one that sees the parents' password.
        module_.Reset(::LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (!module_) {
            throw CryptoError("cannot load bcrypt.dll from System32: error " +
                              std::to_string(::GetLastError()));
        }
    }
    const auto find = [this](const char* name) {
        const FARPROC proc = ::GetProcAddress(module_.Get(), name);
        if (proc == nullptr) {
            throw CryptoError(std::string("no ") + name + " in bcrypt.dll");
        }
        return proc;
    };
    Functions found;
    found.open = ProcedureAs<OpenProvider>(find("BCryptOpenAlgorithmProvider"));
    found.close = ProcedureAs<CloseProvider>(find("BCryptCloseAlgorithmProvider"));
    found.derive = ProcedureAs<DeriveKeyPbkdf2>(find("BCryptDeriveKeyPBKDF2"));
    found.random = ProcedureAs<GenRandom>(find("BCryptGenRandom"));
    functions_ = found;
    return functions_;
}

std::vector<std::uint8_t> BCryptPasswordCrypto::Pbkdf2Sha256(std::string_view password,
                                                             std::span<const std::uint8_t> salt,
                                                             std::uint32_t iterations,
                                                             std::size_t length) {
    const Functions& bcrypt = Bind();
    void* algorithm = nullptr;
    Check(bcrypt.open(&algorithm, kSha256, nullptr, kHmacFlag), "opening HMAC-SHA256");
    // bcrypt takes the buffers as writable, though it only reads the password and the salt.
    std::vector<UCHAR> passwordBytes(password.begin(), password.end());
    std::vector<UCHAR> saltBytes(salt.begin(), salt.end());
    std::vector<std::uint8_t> derived(length);
    const LONG status = bcrypt.derive(algorithm, passwordBytes.data(), Length(passwordBytes.size()),
                                      saltBytes.data(), Length(saltBytes.size()), iterations,
                                      derived.data(), Length(derived.size()), 0);
    // The password's copy is not left in freed memory.
    ::SecureZeroMemory(passwordBytes.data(), passwordBytes.size());
    bcrypt.close(algorithm, 0);
    Check(status, "BCryptDeriveKeyPBKDF2");
    return derived;
}

void BCryptPasswordCrypto::RandomBytes(std::span<std::uint8_t> bytes) {
    const Functions& bcrypt = Bind();
    Check(bcrypt.random(nullptr, bytes.data(), Length(bytes.size()), kSystemPreferredRng),
          "BCryptGenRandom");
}

} // namespace tembrel
