#include "platform/fakes/MemoryFiles.h"

#include "platform/Errors.h"

namespace tembrel {

void MemoryFiles::Before(Op op, const std::string& path) const {
    ++calls;
    if (beforeOp) {
        beforeOp(op, path);
    }
}

void MemoryFiles::Stamp(const std::string& path) {
    if (clock != nullptr) {
        writeTimes[path] = clock->Now();
    } else {
        writeTimes.erase(path);
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
    Stamp(path);
}

void MemoryFiles::Replace(const std::string& from, const std::string& to) {
    Before(Op::Replace, to);
    const auto it = files.find(from);
    if (it == files.end() || folders.count(to) != 0) {
        throw FileError("cannot replace " + to);
    }
    files[to] = it->second;
    files.erase(from);
    const auto stamp = writeTimes.find(from);
    if (stamp != writeTimes.end()) {
        writeTimes[to] = stamp->second;
        writeTimes.erase(stamp);
    } else {
        writeTimes.erase(to);
    }
}

void MemoryFiles::Remove(const std::string& path) {
    Before(Op::Remove, path);
    if (folders.count(path) != 0) {
        throw FileError("access denied: " + path);
    }
    files.erase(path);
    writeTimes.erase(path);
}

FileInfo MemoryFiles::Info(const std::string& path) const {
    Before(Op::Info, path);
    const auto it = files.find(path);
    if (it == files.end()) {
        throw FileError("file not found: " + path);
    }
    FileInfo info;
    info.size = it->second.size();
    const auto stamp = writeTimes.find(path);
    if (stamp != writeTimes.end()) {
        info.lastWrite = stamp->second;
    }
    return info;
}

std::optional<FileInfo> MemoryFiles::LookUp(const std::string& path) const {
    if (!IsPlainFile(path)) {
        return std::nullopt;
    }
    return Info(path);
}

std::vector<std::string> MemoryFiles::ListFolder() const {
    std::vector<std::string> paths;
    const std::string prefix = folder + "\\";
    for (const auto& [path, bytes] : files) {
        if (path.compare(0, prefix.size(), prefix) == 0 &&
            path.find('\\', prefix.size()) == std::string::npos && IsPlainFile(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

} // namespace tembrel
