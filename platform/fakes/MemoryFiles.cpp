#include "platform/fakes/MemoryFiles.h"

#include "platform/Errors.h"

namespace tembrel {

void MemoryFiles::Before(Op op, const std::string& path) {
    ++calls;
    if (beforeOp) {
        beforeOp(op, path);
    }
}

bool MemoryFiles::IsPlainFile(const std::string& path) const {
    return files.count(path) != 0 && hidden.count(path) == 0 && folders.count(path) == 0;
}

std::string MemoryFiles::ReadAll(const std::string& path) {
    Before(Op::Read, path);
    const auto it = files.find(path);
    if (it == files.end()) {
        throw FileError("file not found: " + path);
    }
    return it->second;
}

void MemoryFiles::WriteNew(const std::string& path, std::string_view bytes) {
    Before(Op::WriteNew, path);
    if (folders.count(path) != 0) {
        throw FileError("access denied: " + path);
    }
    files[path] = std::string(bytes);
}

void MemoryFiles::Replace(const std::string& from, const std::string& to) {
    Before(Op::Replace, to);
    const auto it = files.find(from);
    if (it == files.end() || folders.count(to) != 0) {
        throw FileError("cannot replace " + to);
    }
    files[to] = it->second;
    files.erase(from);
}

void MemoryFiles::Remove(const std::string& path) {
    Before(Op::Remove, path);
    if (folders.count(path) != 0) {
        throw FileError("access denied: " + path);
    }
    files.erase(path);
}

} // namespace tembrel
