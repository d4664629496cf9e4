#include "platform/win32/Win32BackgroundWork.h"

#include <system_error>

namespace tembrel {

namespace {

constexpr const wchar_t* kClassName = L"TembrelBackgroundWork";
constexpr UINT kWorkDone = WM_APP + 1;

void RunGuarded(const std::function<void()>& step) {
    // Nothing may leave a window procedure by an exception; `done` handlers guard themselves, so
    // anything that still arrives here has been reported.
    try {
        step();
    } catch (...) {
    }
}

} // namespace

Win32BackgroundWork::Win32BackgroundWork() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Win32BackgroundWork::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    // A second object finds the class registered already.
    ::RegisterClassExW(&windowClass);
    window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                nullptr);
    if (window_ != nullptr) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

Win32BackgroundWork::~Win32BackgroundWork() {
    std::list<std::unique_ptr<Job>> jobs;
    {
        const std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
    }
    for (const auto& job : jobs) {
        if (job->thread.joinable()) {
            job->thread.join();
        }
    }
    if (window_ != nullptr) {
        // Answers still queued go with the window.
        ::DestroyWindow(window_);
    }
}

void Win32BackgroundWork::Run(std::function<void()> work, std::function<void()> done) {
    if (window_ == nullptr) {
        RunGuarded(work);
        RunGuarded(done);
        return;
    }
    auto job = std::make_unique<Job>();
    job->work = std::move(work);
    job->done = std::move(done);
    Job* const running = job.get();
    const std::lock_guard lock(mutex_);
    try {
        running->thread = std::thread([this, running] {
            RunGuarded(running->work);
            ::PostMessageW(window_, kWorkDone, 0, reinterpret_cast<LPARAM>(running));
        });
    } catch (const std::system_error&) {
        // No thread to be had: the answer is late, but it comes.
        RunGuarded(running->work);
        RunGuarded(running->done);
        return;
    }
    jobs_.push_back(std::move(job));
}

void Win32BackgroundWork::Finished(Job* job) {
    std::unique_ptr<Job> owned;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
            if (it->get() == job) {
                owned = std::move(*it);
                jobs_.erase(it);
                break;
            }
        }
    }
    if (!owned) {
        return;
    }
    owned->thread.join();
    RunGuarded(owned->done);
}

LRESULT CALLBACK Win32BackgroundWork::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    if (message == kWorkDone) {
        auto* self =
            reinterpret_cast<Win32BackgroundWork*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            self->Finished(reinterpret_cast<Job*>(lParam));
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tembrel
