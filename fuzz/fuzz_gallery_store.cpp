// The virtual camera's gallery files: the snapshot and journal framing and
// the gallery records inside them, as they are read back from the state
// folder. The first byte picks what the rest is taken for.
#include "zeph/virtual/Gallery.h"
#include "zeph/virtual/GalleryStore.h"
#include "zeph/virtual/SnapshotLog.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::vector<uint8_t> bytes(data + 1, data + size);
    zvc::Gallery gallery({1000, 4, 4000});
    switch (data[0] % 4) {
    case 0: { // a snapshot file, then its payload
        std::vector<uint8_t> payload;
        uint32_t generation = 0;
        if (zvc::SnapshotLog::parseSnapshot(bytes, payload, generation))
            zvc::GalleryStore::decodeSnapshot(payload, gallery);
        break;
    }
    case 1: { // a journal file, then every record replayed
        zvc::SnapshotLog::Contents contents;
        uint64_t valid = 0;
        // The generation the snapshot would have: mostly the journal's own.
        uint32_t generation = 0;
        if (bytes.size() >= 12)
            generation = bytes[8] | (bytes[9] << 8) | (bytes[10] << 16)
                         | (static_cast<uint32_t>(bytes[11]) << 24);
        if (zvc::SnapshotLog::parseJournal(bytes, generation, contents, valid)) {
            if (valid > bytes.size())
                __builtin_trap();
            std::vector<zvc::GalleryChange> changes;
            for (const auto &record : contents.records)
                if (zvc::GalleryStore::decodeChanges(record, changes))
                    for (const auto &c : changes)
                        gallery.replay(c);
        }
        break;
    }
    case 2: // a snapshot payload alone (none at all is the empty gallery), re-encoded
        if (!bytes.empty() && zvc::GalleryStore::decodeSnapshot(bytes, gallery)
            && zvc::GalleryStore::encodeSnapshot(gallery) != bytes)
            __builtin_trap(); // what decodes must encode to the same bytes
        break;
    default: { // one journal record's changes
        std::vector<zvc::GalleryChange> changes;
        if (zvc::GalleryStore::decodeChanges(bytes, changes)
            && zvc::GalleryStore::encodeChanges(changes) != bytes)
            __builtin_trap();
        break;
    }
    }
    return 0;
}
