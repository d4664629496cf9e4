// A desktop-lock library that lacks all but one operation.
#include <windows.h>

#include <cstdint>

extern "C" int WINAPI TaskManager_Enable_Disable(std::int32_t flag) {
    return flag == 0 ? 1 : 2;
}
