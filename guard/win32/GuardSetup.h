#pragma once
// What the setup and the uninstaller ask of TembrelGuard.exe, run as an administrator: register,
// protect and start the service; stop it for an update; stop and remove it. Each step is written to
// Tembrel.log; the result is an exit code for the setup (0: done).
namespace tembrel::guard {

int InstallService();
int StopService();
int UninstallService();

} // namespace tembrel::guard
