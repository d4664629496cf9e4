// A desktop-lock library that lacks all but one operation, and refuses to switch the Task Manager
// off the way a library meeting a closed policy key would.
#include <windows.h>

#include <cstdint>

extern "C" int WINAPI TaskManager_Enable_Disable(std::int32_t flag) {
    if (flag == 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return 1;
}
