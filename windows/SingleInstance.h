#pragma once
// One Tembrel per user session: a second start (the Run key and a manual start, say) must not run
// a second timer on the same record files. The first instance holds a named mutex in the
// session's own namespace; a later one finds it, brings the first one's window to the front and
// leaves.
#include <windows.h>

#include <string>

#include "platform/win32/Handles.h"

namespace tembrel::win {

// "Local\Tembrel-<the user's SID>": per logon session and per user.
std::wstring InstanceMutexName();

class SingleInstance {
  public:
    explicit SingleInstance(const std::wstring& mutexName);
    // False when another instance already holds the name.
    bool IsFirst() const { return first_; }

  private:
    UniqueHandle mutex_;
    bool first_ = true;
};

// Restores and brings to the front the first top-level window of one of the classes (tried in
// order). Returns whether one was found.
bool BringExistingToFront(std::initializer_list<const wchar_t*> classNames);

} // namespace tembrel::win
