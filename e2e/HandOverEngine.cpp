// A lock screen for the end-to-end test: the first time it is started it hands over one session
// of 5 seconds for "Ann", as a real lock screen does after a login; later starts do nothing.
#include <windows.h>

#include <string>

namespace {

std::wstring Folder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

} // namespace

int main() {
    const std::wstring folder = Folder();
    const std::wstring marker = folder + L"\\handed-over.txt";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    WriteWhole(marker, "1");
    // The user name goes in before the allowance, and the file appears in one step.
    const std::wstring temp = folder + L"\\allow.var.new";
    if (!WriteWhole(temp, "|||user|||Ann\r\n|||allow|||5\r\n")) {
        return 1;
    }
    return MoveFileExW(temp.c_str(), (folder + L"\\allow.var").c_str(), MOVEFILE_REPLACE_EXISTING)
               ? 0
               : 1;
}
