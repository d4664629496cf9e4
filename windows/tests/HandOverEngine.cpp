// A lock screen for the end-to-end tests. A test that queues hand-overs (handover-1.txt,
// handover-2.txt, ... beside it, each the text of an allow.var) gets the first one still queued
// at every start, as one child's login after another would. Without a queue, its first start
// hands over a 5-second session for "Ann" and every later start does nothing, so the cycle stops
// there.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    folder.resize(folder.find_last_of('\\'));
    const std::string allow = folder + "\\allow.var";
    for (int n = 1; n <= 9; ++n) {
        const std::string queued = folder + "\\handover-" + std::to_string(n) + ".txt";
        if (GetFileAttributesA(queued.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // Moved whole, so that Tembrel never reads half a hand-over.
            return MoveFileExA(queued.c_str(), allow.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
        }
    }
    const std::string marker = folder + "\\handed-over.txt";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    for (const auto& [name, text] : {std::pair<std::string, std::string>{marker, "yes"},
                                     {allow, "|||allow|||5\r\n|||user|||Ann\r\n"}}) {
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
