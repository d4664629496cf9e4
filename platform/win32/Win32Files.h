#pragma once
// The program's folder on Windows. Paths arrive as ANSI text and are widened at this edge.
#include <functional>
#include <string>

#include "platform/Files.h"

namespace tembrel {

class Win32Files : public Files {
  public:
    // How often, and with what pause, an operation is tried again while another process holds the
    // file open without sharing it (the lock screen reads and writes the same files). Tests pass a
    // pause that does not sleep.
    struct Retry {
        int attempts = 10;
        std::function<void(int attempt)> pause; // default: sleep 20 ms
    };

    Win32Files();
    explicit Win32Files(Retry retry);

    std::string ProgramFolder() const override;
    bool IsPlainFile(const std::string& path) const override;
    std::string ReadAll(const std::string& path) override;
    void WriteNew(const std::string& path, std::string_view bytes) override;
    void Replace(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;
    FileInfo Info(const std::string& path) const override;
    std::optional<FileInfo> LookUp(const std::string& path) const override;
    std::vector<std::string> ListFolder() const override;
    std::string TempPathFor(const std::string& path) override;

  private:
    // Runs `attempt` until it succeeds or fails for a reason other than a file in use; returns the
    // last error (0 on success).
    unsigned long WithRetry(const std::wstring& target, const std::function<bool()>& attempt) const;

    Retry retry_;
};

} // namespace tembrel
