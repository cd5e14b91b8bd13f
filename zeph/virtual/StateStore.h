// The camera's persistent memory: one folder, one subfolder per device.
// Files are replaced atomically (write a temporary file beside the target,
// flush it to disk, rename it over the target, flush the folder), so a crash
// at any moment leaves either the old or the new file.
#ifndef ZEPH_VIRTUAL_STATESTORE_H
#define ZEPH_VIRTUAL_STATESTORE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvc {

class StateStore {
public:
    StateStore();

    // Empty or null: the default folder, looked up again now.
    void setDirectory(const char *path);
    const std::string &directory() const { return directory_; }

    // $ZEPH_VIRTUAL_STATE_DIR, else $XDG_DATA_HOME (or ~/.local/share)/zeph-virtual-camera.
    static std::string defaultDirectory();

    // The folder of one device, derived from its name so that any name is a
    // safe single path component. Not created until something is written.
    std::string deviceFolder(const std::string &deviceName) const;

    // Creates missing folders on the way.
    bool writeAtomically(const std::string &path, const std::vector<uint8_t> &bytes) const;
    // Whole file, or nothing when it is missing, unreadable or larger than maxSize.
    std::optional<std::vector<uint8_t>> read(const std::string &path, std::size_t maxSize) const;

    static std::string folderKey(const std::string &deviceName);

private:
    std::string directory_;
};

} // namespace zvc

#endif
