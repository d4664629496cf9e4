#include "windows/SingleInstance.h"

#include <sddl.h>

#include <vector>

namespace tembrel::win {

std::wstring InstanceMutexName() {
    std::wstring user = L"unknown";
    HANDLE rawToken = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        UniqueHandle token(rawToken);
        DWORD size = 0;
        GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
        std::vector<BYTE> buffer(size);
        if (size != 0 && GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
            const auto* tokenUser = reinterpret_cast<const TOKEN_USER*>(buffer.data());
            LPWSTR sid = nullptr;
            if (ConvertSidToStringSidW(tokenUser->User.Sid, &sid)) {
                user = sid;
                LocalFree(sid);
            }
        }
    }
    return L"Local\\Tembrel-" + user;
}

SingleInstance::SingleInstance(const std::wstring& mutexName) {
    mutex_.Reset(CreateMutexW(nullptr, FALSE, mutexName.c_str()));
    // Without a mutex at all we cannot tell: better one timer too many than none.
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool BringExistingToFront(std::initializer_list<const wchar_t*> classNames) {
    for (const wchar_t* className : classNames) {
        HWND window = FindWindowW(className, nullptr);
        if (window == nullptr) {
            continue;
        }
        if (IsIconic(window)) {
            ShowWindow(window, SW_RESTORE);
        } else {
            ShowWindow(window, SW_SHOW);
        }
        SetForegroundWindow(window);
        return true;
    }
    return false;
}

} // namespace tembrel::win
