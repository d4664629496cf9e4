// Test fixture for the setup tests: prints the owner and the access list of each path as Windows
// reports them, in the security descriptor language (one line a path, "O:BAD:P(A;;FA;;;SY)..."),
// so that the test can compare them with what the setup must set. Usage: ShowSecurity.exe PATH...
// Exits 1 when a path's security cannot be read.
#include <windows.h>

#include <sddl.h>

#include <cwchar>
#include <vector>

namespace {

// LocalAlloc'd memory the security functions hand back.
struct LocalMemory {
    void* pointer = nullptr;
    LocalMemory() = default;
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    ~LocalMemory() { ::LocalFree(pointer); }
};

bool Show(const wchar_t* path) {
    constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    ::GetFileSecurityW(path, kWhat, nullptr, 0, &needed);
    if (needed == 0) {
        return false;
    }
    std::vector<unsigned char> descriptor(needed);
    if (!::GetFileSecurityW(path, kWhat, descriptor.data(), needed, &needed)) {
        return false;
    }
    LocalMemory text;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, kWhat, reinterpret_cast<wchar_t**>(&text.pointer),
            nullptr)) {
        return false;
    }
    std::wprintf(L"%ls\n", static_cast<const wchar_t*>(text.pointer));
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int result = argc < 2 ? 2 : 0;
    for (int i = 1; i < argc; ++i) {
        if (!Show(argv[i])) {
            std::wprintf(L"unreadable\n");
            result = 1;
        }
    }
    return result;
}
