#include "DeviceGallery.h"

#include "zeph/virtual_camera.h"

#include <cstring>

namespace zvc {

DeviceGallery::DeviceGallery(const StateStore &store, std::string folder, std::string baseName,
                             GalleryLimits limits)
    : gallery_(limits), files_(store, std::move(folder), std::move(baseName))
{
}

void DeviceGallery::forget()
{
    gallery_.clear();
    inMemory_ = false;
    initialised_ = false;
}

void DeviceGallery::endSession()
{
    if (gallery_.hasPending())
        forget(); // cheaper to read the files again than to undo in memory
    initialised_ = false;
}

const Gallery *DeviceGallery::peek()
{
    if (!inMemory_) {
        if (files_.load(gallery_) != ZEPH_OK)
            return nullptr;
        inMemory_ = true;
    }
    return &gallery_;
}

ZephResult DeviceGallery::listIds(IdList &list, const char *const **ids, int32_t *count,
                                  int32_t *freeSlots, int32_t *capacity)
{
    if (!ids || !count)
        return ZEPH_ERR_INVALID_PARAMETER;
    // Copies, valid until the next call of the same function whatever
    // happens to the gallery in between.
    list.texts.assign(gallery_.size(), std::array<char, ZEPH_ID_SIZE>{});
    list.pointers.clear();
    for (std::size_t i = 0; i < gallery_.size(); ++i) {
        const std::string &id = gallery_.enrollees()[i].id;
        std::memcpy(list.texts[i].data(), id.data(), id.size()); // < 32 bytes: NUL kept
        list.pointers.push_back(list.texts[i].data());
    }
    list.pointers.push_back(nullptr);
    *ids = list.pointers.data();
    *count = static_cast<int32_t>(gallery_.size());
    const uint32_t cap = gallery_.limits().maxEnrollees;
    if (freeSlots)
        *freeSlots = static_cast<int32_t>(cap > gallery_.size() ? cap - gallery_.size() : 0);
    if (capacity)
        *capacity = static_cast<int32_t>(cap);
    return gallery_.empty() ? ZEPH_ERR_GALLERY_EMPTY : ZEPH_OK;
}

ZephResult DeviceGallery::info(const char *const **ids, int32_t *count, int32_t *freeSlots,
                               int32_t *capacity)
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    return listIds(infoIds_, ids, count, freeSlots, capacity);
}

void DeviceGallery::lieAboutInfoIds(int32_t lie, const char *const **ids)
{
    if (lie == ZVC_LIE_NULL_ARRAY && ids)
        *ids = nullptr;
    if (lie != ZVC_LIE_TEXT_UNTERMINATED)
        return;
    for (auto &text : infoIds_.texts) {
        const std::size_t n = strnlen(text.data(), text.size());
        std::memset(text.data() + n, '#', text.size() - n);
    }
}

ZephResult DeviceGallery::load(const char *const **ids, int32_t *count, int32_t *freeSlots,
                               int32_t *capacity)
{
    if (!ids || !count)
        return ZEPH_ERR_INVALID_PARAMETER;
    if (!inMemory_) {
        const ZephResult r = files_.load(gallery_);
        if (r != ZEPH_OK) {
            *ids = nullptr;
            *count = 0;
            return r;
        }
        inMemory_ = true;
    }
    initialised_ = true;
    return listIds(loadIds_, ids, count, freeSlots, capacity);
}

ZephResult DeviceGallery::enrolleeInfo(const char *id, ZephEnrolleeInfo *info) const
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    std::string key;
    if (!info || !Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    const Enrollee *e = gallery_.find(key);
    if (!e)
        return ZEPH_ERR_ID_NOT_FOUND;
    const EnrolleeCounts c = gallery_.counts(*e);
    info->templateVersion = 0x0100;
    info->creatorVersion = 0x0303;
    info->leftIrisCount = c.left;
    info->rightIrisCount = c.right;
    info->unknownIrisCount = c.unknown;
    info->totalIrisCount = c.total;
    return ZEPH_OK;
}

ZephResult DeviceGallery::enroll(const char *id, const std::vector<EyeTemplate> &capture,
                                 const DedupRule &dedup, bool supervisorRequired,
                                 bool supervisorPresent, int32_t role)
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    std::string key;
    if (!Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    if (supervisorRequired && !supervisorPresent)
        return ZEPH_ERR_PERMISSION_DENIED;
    return gallery_.enroll(key, capture, dedup, role);
}

ZephResult DeviceGallery::unenroll(const char *id, bool supervisorRequired, bool supervisorPresent)
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    std::string key;
    if (!Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    if (supervisorRequired && !supervisorPresent)
        return ZEPH_ERR_PERMISSION_DENIED;
    return gallery_.unenroll(key);
}

ZephResult DeviceGallery::setRole(const char *id, int32_t role)
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    std::string key;
    if (!Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    return gallery_.setRole(key, role);
}

ZephResult DeviceGallery::commit()
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    return files_.commit(gallery_);
}

ZephResult DeviceGallery::compare11(const char *id, const std::vector<EyeTemplate> &probe,
                                    float *distance) const
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    std::string key;
    if (!distance || !Gallery::readId(id, key))
        return ZEPH_ERR_INVALID_PARAMETER;
    float d = 0.0f;
    const ZephResult r = gallery_.compare11(key, probe, d);
    if (r == ZEPH_OK)
        *distance = d;
    return r;
}

ZephResult DeviceGallery::begin1N(std::vector<EyeTemplate> probe, float maxDistance,
                                  Search1N &job) const
{
    if (!initialised_)
        return ZEPH_ERR_GALLERY_NOT_INITIALIZED;
    if (gallery_.empty())
        return ZEPH_ERR_GALLERY_EMPTY;
    if (probe.empty())
        return ZEPH_ERR_TEMPLATE_NOT_AVAILABLE;
    job.bank = gallery_.searchSnapshot();
    job.probe = std::move(probe);
    job.maxDistance = maxDistance;
    return ZEPH_OK;
}

void DeviceGallery::finish1N(const Search1N &job, const ZephMatchCandidate **candidates,
                             int32_t *count)
{
    std::vector<MatchCandidate> found;
    Gallery::search(*job.bank, job.probe, job.maxDistance, kMaxCandidates, found);
    std::lock_guard<std::mutex> lock(candidatesMutex_);
    candidates_.assign(found.size(), ZephMatchCandidate{});
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::string &id = job.bank->ids[found[i].index];
        std::memcpy(candidates_[i].id, id.data(), id.size()); // IDs are < 32 bytes: NUL kept
        if (job.lie == ZVC_LIE_TEXT_UNTERMINATED)
            std::memset(candidates_[i].id + id.size(), '#', sizeof candidates_[i].id - id.size());
        candidates_[i].distance = found[i].distance;
    }
    *candidates = candidates_.empty() || job.lie == ZVC_LIE_NULL_ARRAY ? nullptr : candidates_.data();
    *count = static_cast<int32_t>(candidates_.size());
}

ZephResult DeviceGallery::compare1N(const std::vector<EyeTemplate> &probe, float maxDistance,
                                    const ZephMatchCandidate **candidates, int32_t *count)
{
    if (!candidates || !count)
        return ZEPH_ERR_INVALID_PARAMETER;
    *candidates = nullptr;
    *count = 0;
    Search1N job;
    const ZephResult r = begin1N(probe, maxDistance, job);
    if (r == ZEPH_OK)
        finish1N(job, candidates, count);
    return r;
}

} // namespace zvc
