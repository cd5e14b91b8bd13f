// A gallery kept in a device's state folder: a snapshot of all enrollees
// plus a journal with one record per commit (see SnapshotLog for the framing).
//
// Snapshot payload:            offset 0  "ZVGL"
//                                     4  u16 layout version (1)
//                                     6  u16 code words per template (16)
//                                     8  u32 enrollee count
//                                    12  enrollees, in gallery order
// Enrollee:                     u8 ID length (1..31), the ID's bytes,
//                               u8 role (0..2), u8 template count (1..255),
//                               templates
// Template:                     u8 eye (0 unknown, 1 right, 2 left),
//                               16 u64 code rows, u16 readable rows
// Log record (one commit):       u32 change count, changes
// Change:                       u8 kind, u8 ID length, the ID's bytes, then
//                               kind 1 add templates: u8 role, u8 count, templates
//                               kind 2 remove: nothing
//                               kind 3 set role: u8 role
// Numbers little-endian; anything left over or out of range is damage.
#ifndef ZEPH_VIRTUAL_GALLERYSTORE_H
#define ZEPH_VIRTUAL_GALLERYSTORE_H

#include "Gallery.h"
#include "SnapshotLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zvc {

class StateStore;

class GalleryStore {
public:
    // Files <baseName>.snap and <baseName>.jnl in `folder`.
    GalleryStore(const StateStore &store, std::string folder, std::string baseName);

    // Reads the files into `gallery` (replacing what it held). ZEPH_OK, or
    // 0x4002 with `gallery` emptied when the files are damaged; the files
    // are left as they are.
    ZephResult load(Gallery &gallery);
    // Makes the gallery's pending changes durable: one journal record, or a
    // new snapshot when the journal has grown as large as the gallery. On
    // success the changes stop being pending; on failure (0x1005, the
    // flash could not be written) they stay pending and nothing is lost of
    // what was committed before.
    ZephResult commit(Gallery &gallery);
    bool droppedTornRecord() const { return droppedTorn_; }

    SnapshotLog &log() { return log_; }

    static std::vector<uint8_t> encodeSnapshot(const Gallery &gallery);
    static std::vector<uint8_t> encodeChanges(const std::vector<GalleryChange> &changes);
    static bool decodeSnapshot(const std::vector<uint8_t> &bytes, Gallery &gallery);
    static bool decodeChanges(const std::vector<uint8_t> &bytes, std::vector<GalleryChange> &out);

    // The flash could not be written.
    static constexpr ZephResult kWriteFailed = ZEPH_ERR_DEVICE_IO_FAILED;

private:
    SnapshotLog log_;
    bool droppedTorn_ = false;
};

} // namespace zvc

#endif
