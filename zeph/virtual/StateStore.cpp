#include "StateStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvc {
namespace {

bool writeAll(int fd, const uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

StateStore::StateStore() : directory_(defaultDirectory()) {}

std::string StateStore::defaultDirectory()
{
    const char *explicitDir = std::getenv("ZEPH_VIRTUAL_STATE_DIR");
    if (explicitDir && *explicitDir)
        return explicitDir;
    std::string base;
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char *home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return base + "/zeph-virtual-camera";
}

void StateStore::setDirectory(const char *path)
{
    directory_ = (path && *path) ? std::string(path) : defaultDirectory();
}

std::string StateStore::folderKey(const std::string &deviceName)
{
    std::string key;
    bool changed = deviceName.empty();
    for (char c : deviceName) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')
                           || (c >= '0' && c <= '9') || c == '-' || c == '_';
        key += plain ? c : '_';
        changed = changed || !plain;
    }
    if (changed) {
        // Two names that differ only in replaced characters must not share a folder.
        uint32_t h = 2166136261u;
        for (char c : deviceName)
            h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "~%08x", h);
        key += suffix;
    }
    return key;
}

std::string StateStore::deviceFolder(const std::string &deviceName) const
{
    return directory_ + "/devices/" + folderKey(deviceName);
}

bool StateStore::noLinksOnTheWay(const std::string &path) const
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(directory_).lexically_normal();
    const fs::path target = fs::path(path).lexically_normal();
    const fs::path rel = target.lexically_relative(root);
    if (rel.empty() || *rel.begin() == "..")
        return false; // outside the state folder
    fs::path at = root;
    std::size_t left = static_cast<std::size_t>(std::distance(rel.begin(), rel.end()));
    for (const fs::path &part : rel) {
        at /= part;
        --left;
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0)
            return errno == ENOENT;
        if (S_ISLNK(st.st_mode))
            return false;
        if (left > 0 && !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

bool StateStore::writeAtomically(const std::string &path, const std::vector<uint8_t> &bytes) const
{
    const std::filesystem::path target(path);
    std::error_code ec;
    if (!noLinksOnTheWay(path))
        return false;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec || !noLinksOnTheWay(path))
        return false;

    std::string temp = path + ".tmp.XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(target.parent_path().string());
    return true;
}

std::optional<std::vector<uint8_t>> StateStore::read(const std::string &path,
                                                    std::size_t maxSize) const
{
    std::vector<uint8_t> bytes;
    if (readFile(path, maxSize, bytes) != ReadStatus::Ok)
        return std::nullopt;
    return bytes;
}

bool StateStore::writeAt(const std::string &path, uint64_t offset,
                         const std::vector<uint8_t> &bytes) const
{
    if (!noLinksOnTheWay(path))
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
              && static_cast<uint64_t>(st.st_size) >= offset
              && ::ftruncate(fd, static_cast<off_t>(offset)) == 0
              && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0
              && writeAll(fd, bytes.data(), bytes.size()) && ::fdatasync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

StateStore::ReadStatus StateStore::readFile(const std::string &path, std::size_t maxSize,
                                            std::vector<uint8_t> &bytes) const
{
    bytes.clear();
    if (!noLinksOnTheWay(path))
        return ReadStatus::Failed;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || static_cast<uint64_t>(st.st_size) > maxSize) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    uint8_t chunk[16384];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxSize) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return ok ? ReadStatus::Ok : ReadStatus::Failed;
}

} // namespace zvc
