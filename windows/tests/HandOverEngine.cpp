// A lock screen for the end-to-end test: at its first start it hands over a 5-second session for
// "Ann", as a child's login would; every later start does nothing, so the cycle stops there.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    folder.resize(folder.find_last_of('\\'));
    const std::string marker = folder + "\\handed-over.txt";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    for (const auto& [name, text] :
         {std::pair<std::string, std::string>{marker, "yes"},
          {folder + "\\allow.var", "|||allow|||5\r\n|||user|||Ann\r\n"}}) {
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return 1;
        }
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    return 0;
}
