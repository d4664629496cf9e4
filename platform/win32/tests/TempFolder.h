#pragma once
// A fresh folder under the user's temporary folder for one test, removed with all it holds.
#include <string>

namespace tembrel {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // ANSI path without a trailing backslash.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

// Writes bytes with the plain API, so that a test of Win32Files does not set up with itself.
void WriteFileDirect(const std::string& path, const std::string& bytes);
std::string ReadFileDirect(const std::string& path);
bool ExistsDirect(const std::string& path);

} // namespace tembrel
