#include "SnapshotLog.h"

#include "ByteCodec.h"
#include "StateStore.h"

#include <algorithm>
#include <cstring>

namespace zvc {
namespace {

constexpr uint8_t kSnapshotMagic[4] = {'Z', 'V', 'S', 'N'};
constexpr uint8_t kJournalMagic[4] = {'Z', 'V', 'J', 'N'};
constexpr uint16_t kVersion = 1;

uint32_t le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
           | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool onlyZeros(const uint8_t *p, std::size_t n)
{
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

} // namespace

SnapshotLog::SnapshotLog(const StateStore &store, std::string folder, std::string baseName)
    : store_(store), folder_(std::move(folder)), base_(std::move(baseName))
{
}

std::vector<uint8_t> SnapshotLog::header() const
{
    ByteWriter w;
    w.raw(kJournalMagic, 4);
    w.u16(kVersion);
    w.u16(0);
    w.u32(generation_);
    w.u32(crc32(w.bytes().data(), w.size()));
    return w.bytes();
}

bool SnapshotLog::parseSnapshot(const std::vector<uint8_t> &snap, std::vector<uint8_t> &payload,
                            uint32_t &generation)
{
    if (snap.size() < kSnapshotOverhead)
        return false;
    ByteReader r(snap.data(), snap.size());
    uint8_t magic[4];
    r.raw(magic, 4);
    const uint16_t version = r.u16();
    r.u16();
    generation = r.u32();
    const uint64_t length = r.u64();
    if (!r.ok() || std::memcmp(magic, kSnapshotMagic, 4) != 0 || version != kVersion
        || length != snap.size() - static_cast<uint64_t>(kSnapshotOverhead))
        return false;
    const std::size_t end = snap.size() - 4;
    if (le32(snap.data() + end) != crc32(snap.data(), end))
        return false;
    payload.assign(snap.begin() + 20, snap.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

bool SnapshotLog::parseJournal(const std::vector<uint8_t> &jnl, uint32_t expected, Contents &out,
                           uint64_t &validLength)
{
    out.records.clear();
    out.droppedTornRecord = false;
    validLength = 0;
    if (jnl.size() < kJournalHeaderSize || std::memcmp(jnl.data(), kJournalMagic, 4) != 0
        || (jnl[4] | (jnl[5] << 8)) != kVersion || le32(jnl.data() + 12) != crc32(jnl.data(), 12))
        return false; // written whole by rename: damage, not a torn write
    const uint32_t generation = le32(jnl.data() + 8);
    if (generation < expected)
        return true; // left over from before the last compaction: nothing to replay
    if (generation > expected)
        return false; // continues a snapshot that is not there

    std::size_t pos = kJournalHeaderSize;
    while (pos < jnl.size()) {
        const std::size_t left = jnl.size() - pos;
        if (left < kRecordOverhead) {
            out.droppedTornRecord = true;
            break;
        }
        const uint64_t length = le32(jnl.data() + pos);
        if (length > left - kRecordOverhead) {
            out.droppedTornRecord = true;
            break;
        }
        const uint32_t stored = le32(jnl.data() + pos + 4);
        uint32_t crc = crc32(jnl.data() + pos, 4);
        crc = crc32Update(crc, jnl.data() + pos + kRecordOverhead, static_cast<std::size_t>(length));
        const std::size_t end = pos + kRecordOverhead + static_cast<std::size_t>(length);
        if (crc != stored) {
            if (end == jnl.size() || onlyZeros(jnl.data() + end, jnl.size() - end)) {
                out.droppedTornRecord = true;
                break;
            }
            return false;
        }
        out.records.emplace_back(jnl.begin() + static_cast<std::ptrdiff_t>(pos + kRecordOverhead),
                                 jnl.begin() + static_cast<std::ptrdiff_t>(end));
        pos = end;
    }
    validLength = pos;
    return true;
}

SnapshotLog::Load SnapshotLog::load(Contents &out, uint64_t maxBytes)
{
    out = Contents{};
    generation_ = 0;
    snapshotLength_ = 0;
    journalLength_ = 0;
    broken_ = false;
    const std::size_t limit = static_cast<std::size_t>(maxBytes);

    std::vector<uint8_t> file;
    switch (store_.readFile(snapshotPath(), limit, file)) {
    case StateStore::ReadStatus::Failed:
        return Load::Damaged;
    case StateStore::ReadStatus::Missing:
        break;
    case StateStore::ReadStatus::Ok:
        if (!parseSnapshot(file, out.snapshot, generation_))
            return Load::Damaged;
        snapshotLength_ = file.size();
        break;
    }
    switch (store_.readFile(journalPath(), limit, file)) {
    case StateStore::ReadStatus::Failed:
        return Load::Damaged;
    case StateStore::ReadStatus::Missing:
        return Load::Ok;
    case StateStore::ReadStatus::Ok:
        break;
    }
    uint64_t valid = 0;
    if (!parseJournal(file, generation_, out, valid))
        return Load::Damaged;
    journalLength_ = valid; // 0 for a stale journal: the next append starts a fresh one
    return Load::Ok;
}

bool SnapshotLog::append(const std::vector<uint8_t> &payload)
{
    if (journalLength_ == 0) {
        // None yet for this generation: start one. Written whole, so its
        // header is never torn.
        if (!store_.writeAtomically(journalPath(), header())) {
            broken_ = true;
            return false;
        }
        journalLength_ = kJournalHeaderSize;
    }
    ByteWriter w;
    w.reserve(payload.size() + kRecordOverhead);
    w.u32(static_cast<uint32_t>(payload.size()));
    uint32_t crc = crc32(w.bytes().data(), 4);
    crc = crc32Update(crc, payload.data(), payload.size());
    w.u32(crc);
    w.raw(payload.data(), payload.size());
    if (payload.size() > UINT32_MAX || !store_.writeAt(journalPath(), journalLength_, w.bytes())) {
        broken_ = true;
        return false;
    }
    journalLength_ += w.size();
    return true;
}

bool SnapshotLog::compact(const std::vector<uint8_t> &snapshotPayload)
{
    const uint32_t next = generation_ + 1;
    ByteWriter w;
    w.reserve(snapshotPayload.size() + kSnapshotOverhead);
    w.raw(kSnapshotMagic, 4);
    w.u16(kVersion);
    w.u16(0);
    w.u32(next);
    w.u64(snapshotPayload.size());
    w.raw(snapshotPayload.data(), snapshotPayload.size());
    w.u32(crc32(w.bytes().data(), w.size()));
    if (!store_.writeAtomically(snapshotPath(), w.bytes()))
        return false; // the old snapshot and journal stand
    generation_ = next;
    snapshotLength_ = w.size();
    // The old journal is now of an older generation and ignored; a fresh
    // one saves a header write at the next commit. Failing here is harmless.
    journalLength_ = store_.writeAtomically(journalPath(), header()) ? kJournalHeaderSize : 0;
    broken_ = false;
    return true;
}

bool SnapshotLog::needsCompaction(std::size_t nextRecordSize) const
{
    if (broken_)
        return true;
    const uint64_t after = journalLength_ + nextRecordSize + kRecordOverhead;
    return after > minJournalBytes_ && after > snapshotLength_;
}

} // namespace zvc
