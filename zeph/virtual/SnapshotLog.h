// A record kept as a checksummed snapshot plus a checksummed journal of
// changes, so that saving a change costs in proportion to the change:
//
//   <base>.snap   offset 0  "ZVSN"
//                        4  u16 format version (1)
//                        6  u16 reserved (0)
//                        8  u32 generation
//                       12  u64 payload length L
//                       20  payload, L bytes
//                   20 + L  u32 CRC-32 of bytes 0 .. 20 + L - 1
//   <base>.jnl   offset 0  "ZVJN"
//                        4  u16 format version (1)
//                        6  u16 reserved (0)
//                        8  u32 generation of the snapshot it continues
//                       12  u32 CRC-32 of bytes 0 .. 11
//                       16  records, back to back:
//                             u32 payload length L, u32 CRC-32 of (the
//                             four length bytes + payload), payload
//
// All numbers little-endian. A commit appends one record and flushes it; a
// compaction writes a new snapshot of generation + 1 (temporary file,
// flush, rename) and then a fresh journal of that generation, so a crash
// between the two leaves a journal of an older generation, which is
// ignored: its changes are in the snapshot.
//
// Loading: no files is an empty record. A snapshot or journal header that
// fails its checks, or a journal newer than the snapshot, refuses the load.
// A last record cut short or failing its checksum (a write torn by a
// crash; possibly followed only by zero bytes) is dropped, and the next
// append overwrites it. A damaged record with good records after it
// refuses the load: nothing committed is ever silently lost.
#ifndef ZEPH_VIRTUAL_SNAPSHOTLOG_H
#define ZEPH_VIRTUAL_SNAPSHOTLOG_H

#include <cstdint>
#include <string>
#include <vector>

namespace zvc {

class StateStore;

class SnapshotLog {
public:
    static constexpr std::size_t kSnapshotOverhead = 24;
    static constexpr std::size_t kJournalHeaderSize = 16;
    static constexpr std::size_t kRecordOverhead = 8;

    SnapshotLog(const StateStore &store, std::string folder, std::string baseName);

    std::string snapshotPath() const { return folder_ + "/" + base_ + ".snap"; }
    std::string journalPath() const { return folder_ + "/" + base_ + ".jnl"; }

    enum class Load { Ok, Damaged };
    struct Contents {
        std::vector<uint8_t> snapshot;              // payload; empty when none
        std::vector<std::vector<uint8_t>> records;  // in order
        bool droppedTornRecord = false;
    };
    // maxBytes bounds each file.
    Load load(Contents &out, uint64_t maxBytes);

    // The checks of load() on bytes in memory. parseSnapshot gives the
    // payload and generation; parseJournal the records of a journal that
    // continues `generation` (none when it is older) and the valid length.
    static bool parseSnapshot(const std::vector<uint8_t> &file, std::vector<uint8_t> &payload,
                              uint32_t &generation);
    static bool parseJournal(const std::vector<uint8_t> &file, uint32_t generation,
                             Contents &out, uint64_t &validLength);

    // One record, durable when true. After a failure the journal may hold a
    // partial record: the next save must be a compaction (needsCompaction()).
    bool append(const std::vector<uint8_t> &payload);
    // A new snapshot and an empty journal; true once the snapshot is in place.
    bool compact(const std::vector<uint8_t> &snapshotPayload);

    // True when the next save should be a compaction: the journal has grown
    // beyond the snapshot (and beyond minJournalBytes), or an append failed.
    bool needsCompaction(std::size_t nextRecordSize) const;
    void setMinJournalBytes(uint64_t bytes) { minJournalBytes_ = bytes; }

    uint64_t journalBytes() const { return journalLength_; }
    uint64_t snapshotBytes() const { return snapshotLength_; }
    uint32_t generation() const { return generation_; }

private:
    std::vector<uint8_t> header() const;

    const StateStore &store_;
    std::string folder_;
    std::string base_;
    uint32_t generation_ = 0;
    uint64_t snapshotLength_ = 0;
    uint64_t journalLength_ = 0; // valid bytes of a journal of our generation; 0: none
    bool broken_ = false;
    uint64_t minJournalBytes_ = 1u << 20;
};

} // namespace zvc

#endif
