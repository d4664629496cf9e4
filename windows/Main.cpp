// Tembrel.exe: one instance per user session; the splash for two seconds, then the session window
// for the life of the program. Builds the Windows ports, hands them to the program's parts, and
// runs the message loop.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "platform/win32/BCryptPasswordCrypto.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32BackgroundWork.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32MessageBox.h"
#include "platform/win32/Win32ProgramEnd.h"
#include "platform/win32/Win32Regional.h"
#include "platform/win32/WinLockLibrary.h"
#include "session/DiagnosticLog.h"
#include "windows/CommonControls.h"
#include "windows/HorodeskWindow.h"
#include "windows/MessageLoop.h"
#include "windows/ProgramParts.h"
#include "windows/SingleInstance.h"
#include "windows/SplashWindow.h"
#include "windows/Ui.h"
#include "windows/res/resource.h"

namespace {

// The password messages belong to the window the parent is using (the gate): it stays disabled
// while the message is up, so a second press cannot stack a second check on the first.
class OwnedByActiveWindow : public tembrel::MessageBoxPort {
  public:
    explicit OwnedByActiveWindow(tembrel::Win32MessageBox& box) : box_(box) {}
    void Show(const std::string& text, const std::string& title, unsigned style) override {
        box_.SetOwner(GetActiveWindow());
        box_.Show(text, title, style);
    }

  private:
    tembrel::Win32MessageBox& box_;
};

} // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    using namespace tembrel;
    using namespace tembrel::win;
    const DWORD dllSearchError = RestrictDllSearchToSystem32();

    SingleInstance instance(InstanceMutexName());
    if (!instance.IsFirst()) {
        BringExistingToFront({HorodeskWindow::kClassName, SplashWindow::kClassName});
        return 0;
    }

    InitCommonControlsFromSystem32();

    Win32Files files;
    Win32Clock clock;
    Win32Regional regional;
    Win32MessageBox win32MessageBox;
    OwnedByActiveWindow messageBox(win32MessageBox);
    Win32ProgramEnd win32ProgramEnd;
    WinLockLibrary desktopLock(files.ProgramFolder());
    DiagnosticLog log(files, clock);
    desktopLock.OnLockDownFailure(
        [&log](const std::string& message) { log.Append("Lock-down", message); });
    if (dllSearchError != ERROR_SUCCESS) {
        log.Append("Start-up", "Windows refused to load DLLs from System32 only: error " +
                                   std::to_string(dllSearchError));
    }
    // Declared before the parts, so they outlive them: a password check still running when the
    // program ends is waited for with its cryptography at hand, and its answer, which no message
    // loop delivers any more, is dropped.
    BCryptPasswordCrypto crypto;
    Win32BackgroundWork background;
    ProgramParts program({files, clock, regional, desktopLock, win32ProgramEnd, log}, messageBox,
                         crypto, background, AnsiToWide(TEMBREL_SUPPORT_EMAIL));
    program.sessionWindow.QuitOnDestroy(true);
    SplashWindow splash(program.programIcon.Get(), [&] {
        if (!program.OpenSessionWindow()) {
            log.Append("Start-up", "the session window could not be created");
            PostQuitMessage(1);
        }
    });
    if (!splash.Open()) {
        log.Append("Start-up", "the splash window could not be created");
        return 1;
    }
    return RunMessageLoop();
}
