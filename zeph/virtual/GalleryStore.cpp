#include "GalleryStore.h"

#include "ByteCodec.h"
#include "StateStore.h"

#include <cstring>

namespace zvc {
namespace {

constexpr uint8_t kMagic[4] = {'Z', 'V', 'G', 'L'};
constexpr uint16_t kLayout = 1;
constexpr std::size_t kTemplateBytes = 1 + IrisCode::kEncodedSize;

void putId(ByteWriter &w, const std::string &id)
{
    w.u8(static_cast<uint8_t>(id.size()));
    w.raw(reinterpret_cast<const uint8_t *>(id.data()), id.size());
}

bool getId(ByteReader &r, std::string &id)
{
    const uint8_t n = r.u8();
    if (!r.ok() || n == 0 || n >= ZEPH_ID_SIZE || r.remaining() < n)
        return false;
    char text[ZEPH_ID_SIZE];
    r.raw(reinterpret_cast<uint8_t *>(text), n);
    id.assign(text, n);
    return Gallery::isValidId(id);
}

void putTemplates(ByteWriter &w, const std::vector<EyeTemplate> &templates)
{
    w.u8(static_cast<uint8_t>(templates.size()));
    for (const EyeTemplate &t : templates) {
        w.u8(t.eye);
        for (uint64_t word : t.code.bits())
            w.u64(word);
        w.u16(t.code.rows());
    }
}

bool getTemplates(ByteReader &r, std::vector<EyeTemplate> &out)
{
    const uint8_t n = r.u8();
    if (!r.ok() || n == 0 || r.remaining() < static_cast<uint64_t>(n) * kTemplateBytes)
        return false;
    out.resize(n);
    for (EyeTemplate &t : out) {
        t.eye = r.u8();
        if (t.eye != ZEPH_EYE_UNKNOWN && t.eye != ZEPH_EYE_RIGHT && t.eye != ZEPH_EYE_LEFT)
            return false;
        IrisCode::Words bits;
        for (uint64_t &word : bits)
            word = r.u64();
        t.code = IrisCode(bits, r.u16());
    }
    return r.ok();
}

bool getRole(ByteReader &r, int32_t &role)
{
    role = r.u8();
    return r.ok() && role >= kRoleAdmin && role <= kRoleUser;
}

} // namespace

GalleryStore::GalleryStore(const StateStore &store, std::string folder, std::string baseName)
    : log_(store, std::move(folder), std::move(baseName))
{
}

std::vector<uint8_t> GalleryStore::encodeSnapshot(const Gallery &gallery)
{
    ByteWriter w;
    w.reserve(12 + gallery.size() * 36 + gallery.templateCount() * kTemplateBytes);
    w.raw(kMagic, 4);
    w.u16(kLayout);
    w.u16(IrisCode::kWords);
    w.u32(static_cast<uint32_t>(gallery.size()));
    for (const Enrollee &e : gallery.enrollees()) {
        putId(w, e.id);
        w.u8(static_cast<uint8_t>(e.role));
        putTemplates(w, e.templates);
    }
    return std::move(w.bytes());
}

bool GalleryStore::decodeSnapshot(const std::vector<uint8_t> &bytes, Gallery &gallery)
{
    gallery.clear();
    if (bytes.empty())
        return true; // no snapshot yet
    ByteReader r(bytes.data(), bytes.size());
    uint8_t magic[4];
    r.raw(magic, 4);
    const uint16_t layout = r.u16();
    const uint16_t words = r.u16();
    const uint32_t count = r.u32();
    if (!r.ok() || std::memcmp(magic, kMagic, 4) != 0 || layout != kLayout
        || words != IrisCode::kWords)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        GalleryChange c;
        c.kind = GalleryChange::AddTemplates;
        if (!getId(r, c.id) || !getRole(r, c.role) || !getTemplates(r, c.templates)
            || gallery.find(c.id) || !gallery.replay(c))
            return false;
    }
    return r.ok() && r.remaining() == 0;
}

std::vector<uint8_t> GalleryStore::encodeChanges(const std::vector<GalleryChange> &changes)
{
    ByteWriter w;
    w.u32(static_cast<uint32_t>(changes.size()));
    for (const GalleryChange &c : changes) {
        w.u8(c.kind);
        putId(w, c.id);
        if (c.kind == GalleryChange::AddTemplates) {
            w.u8(static_cast<uint8_t>(c.role));
            putTemplates(w, c.templates);
        } else if (c.kind == GalleryChange::SetRole) {
            w.u8(static_cast<uint8_t>(c.role));
        }
    }
    return std::move(w.bytes());
}

bool GalleryStore::decodeChanges(const std::vector<uint8_t> &bytes,
                                 std::vector<GalleryChange> &out)
{
    out.clear();
    ByteReader r(bytes.data(), bytes.size());
    const uint32_t count = r.u32();
    // Each change takes at least three bytes: a count beyond that is damage.
    if (!r.ok() || count > r.remaining() / 3)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        GalleryChange c;
        const uint8_t kind = r.u8();
        if (!getId(r, c.id))
            return false;
        switch (kind) {
        case GalleryChange::AddTemplates:
            c.kind = GalleryChange::AddTemplates;
            if (!getRole(r, c.role) || !getTemplates(r, c.templates))
                return false;
            break;
        case GalleryChange::Remove:
            c.kind = GalleryChange::Remove;
            break;
        case GalleryChange::SetRole:
            c.kind = GalleryChange::SetRole;
            if (!getRole(r, c.role))
                return false;
            break;
        default:
            return false;
        }
        out.push_back(std::move(c));
    }
    return r.ok() && r.remaining() == 0;
}

ZephResult GalleryStore::load(Gallery &gallery)
{
    gallery.clear();
    droppedTorn_ = false;
    const GalleryLimits &l = gallery.limits();
    // Bound what is read by what the limits allow, with room for a journal
    // that has grown to its compaction point.
    const uint64_t bound = 64 + static_cast<uint64_t>(l.maxEnrollees) * 40
                           + l.maxTemplates * kTemplateBytes;
    SnapshotLog::Contents contents;
    if (log_.load(contents, 2 * bound + (16u << 20)) != SnapshotLog::Load::Ok
        || !decodeSnapshot(contents.snapshot, gallery)) {
        gallery.clear();
        return ZEPH_ERR_GALLERY_LOAD_FAILED;
    }
    std::vector<GalleryChange> changes;
    for (const auto &record : contents.records) {
        if (!decodeChanges(record, changes)) {
            gallery.clear();
            return ZEPH_ERR_GALLERY_LOAD_FAILED;
        }
        for (const GalleryChange &c : changes) {
            if (!gallery.replay(c)) {
                gallery.clear();
                return ZEPH_ERR_GALLERY_LOAD_FAILED;
            }
        }
    }
    droppedTorn_ = contents.droppedTornRecord;
    return ZEPH_OK;
}

ZephResult GalleryStore::commit(Gallery &gallery)
{
    if (!gallery.hasPending())
        return ZEPH_OK;
    const std::vector<uint8_t> record = encodeChanges(gallery.pending());
    const bool saved = log_.needsCompaction(record.size())
                           ? log_.compact(encodeSnapshot(gallery))
                           : log_.append(record);
    if (!saved)
        return kWriteFailed;
    gallery.markCommitted();
    return ZEPH_OK;
}

} // namespace zvc
