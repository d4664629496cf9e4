#pragma once
// The Win32 file port on a folder of the test's choosing instead of the program's own folder.
#include <string>

#include "platform/win32/Win32Files.h"

namespace tembrel {

class FolderFiles : public Win32Files {
  public:
    explicit FolderFiles(std::string folder) : folder_(std::move(folder)) {}
    std::string ProgramFolder() const override { return folder_; }

  private:
    std::string folder_;
};

} // namespace tembrel
