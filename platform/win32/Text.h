#pragma once
// The edge between the core's texts (bytes in the system's ANSI code page) and the wide texts of
// the Win32 API.
#include <windows.h>

#include <string>
#include <string_view>

namespace tembrel {

inline std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    }
    return wide;
}

// Characters the code page lacks become its default character ("?"); `lossy`, when given, tells
// whether that happened, for callers to whom a changed text is worse than an error (paths, names),
// and then no character is replaced by a look-alike either.
inline std::string WideToAnsi(std::wstring_view text, bool* lossy = nullptr) {
    if (lossy != nullptr) {
        *lossy = false;
    }
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    // CP_ACP may be UTF-8 on a machine configured so; that code page refuses the last argument.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = (lossy != nullptr && !utf8) ? WC_NO_BEST_FIT_CHARS : 0;
    const int length =
        ::WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    if (length > 0) {
        ::WideCharToMultiByte(CP_ACP, flags, text.data(), size, ansi.data(), length, nullptr,
                              utf8 ? nullptr : &usedDefault);
    }
    if (lossy != nullptr) {
        *lossy = usedDefault != FALSE;
    }
    return ansi;
}

// The text of a window (control), as the system holds it; WideToAnsi gives the core's bytes.
inline std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

inline void SetWindowTextAnsi(HWND window, std::string_view text) {
    ::SetWindowTextW(window, AnsiToWide(text).c_str());
}

// ANSI text as UTF-8, for files that must read the same whatever the code page (the usage report).
inline std::string AnsiTextToUtf8(std::string_view text) {
    const std::wstring wide = AnsiToWide(text);
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    }
    return utf8;
}

} // namespace tembrel
