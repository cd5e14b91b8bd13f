// The camera's persistent memory: one folder, one subfolder per device.
// Files are replaced atomically (write a temporary file beside the target,
// flush it to disk, rename it over the target, flush the folder), so a crash
// at any moment leaves either the old or the new file. Large records that
// change a little at a time (the gallery) add a journal to a snapshot: see
// SnapshotLog. Nothing below the state folder is reached through a symbolic
// link: a link where a folder or file should be is refused.
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
    // Like read(), but tells a missing file from one that could not be read.
    enum class ReadStatus { Ok, Missing, Failed };
    ReadStatus readFile(const std::string &path, std::size_t maxSize,
                        std::vector<uint8_t> &bytes) const;

    // Writes `bytes` at `offset` of an existing file, cutting off whatever
    // followed, and flushes the data to disk before answering true.
    bool writeAt(const std::string &path, uint64_t offset, const std::vector<uint8_t> &bytes) const;

    // False when a folder between the state folder and `path` (or `path`
    // itself) is a symbolic link or not a folder. Missing parts are fine.
    bool noLinksOnTheWay(const std::string &path) const;

    static std::string folderKey(const std::string &deviceName);

private:
    std::string directory_;
};

} // namespace zvc

#endif
