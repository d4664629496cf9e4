#pragma once
// Background work on threads of their own, with each answer brought back to the UI thread
// through a message-only window that the thread which built this object owns: every message loop
// of that thread delivers it, a message box's too, so an answer is never held up by one.
#include <windows.h>

#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/BackgroundWork.h"

namespace tembrel {

class Win32BackgroundWork : public BackgroundWork {
  public:
    // Build on the UI thread.
    Win32BackgroundWork();
    // Waits for the work still running; its answers are dropped.
    ~Win32BackgroundWork() override;
    Win32BackgroundWork(const Win32BackgroundWork&) = delete;
    Win32BackgroundWork& operator=(const Win32BackgroundWork&) = delete;

    // Runs `work` at once, on the UI thread, when no thread can be started, or when the window
    // for the answers could not be made.
    void Run(std::function<void()> work, std::function<void()> done) override;

  private:
    struct Job {
        std::function<void()> work;
        std::function<void()> done;
        std::thread thread;
    };
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Finished(Job* job);

    HWND window_ = nullptr;
    std::mutex mutex_;
    std::list<std::unique_ptr<Job>> jobs_;
};

} // namespace tembrel
