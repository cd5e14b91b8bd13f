// One device's gallery as the SDK functions see it: loaded lazily from the
// device's folder at the first Zeph_LoadGallery, "not initialised" again
// after every open and soft reset until the next Zeph_LoadGallery, changes
// held until Zeph_CommitGallery, and the arrays it hands out owned here.
//
// Rules chosen:
// - Every call but load() answers 0x4001 while not initialised.
// - info() and load() answer 0x4003 for an empty gallery, with count 0;
//   freeSlots is the number of IDs that can still be added, capacity the
//   number of IDs the gallery holds at most.
// - A damaged store: load() answers 0x4002 and stays not initialised; the
//   files are left alone (a commit can never overwrite them).
// - A session that ends (close, lost handle, soft reset) drops uncommitted
//   changes; the committed gallery stays in memory, so the next load() is
//   cheap unless something was dropped.
// - With supervised enrolment on, enrol and unenrol need a supervisor
//   (a logged-in administrator or super user) and answer 0x2010 otherwise.
// - Compare1N returns at most kMaxCandidates entries, best first; its
//   maximum distance is inclusive.
#ifndef ZEPH_VIRTUAL_DEVICEGALLERY_H
#define ZEPH_VIRTUAL_DEVICEGALLERY_H

#include "Gallery.h"
#include "GalleryStore.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zvc {

class StateStore;

class DeviceGallery {
public:
    static constexpr std::size_t kMaxCandidates = 100;

    // Files <baseName>.* in `folder` (the device's state folder).
    DeviceGallery(const StateStore &store, std::string folder, std::string baseName,
                  GalleryLimits limits = {});

    // The folder moved, or the files changed under us: read them again at
    // the next load().
    void forget();
    // The session ended: uncommitted changes are dropped, load() needed.
    void endSession();
    bool initialised() const { return initialised_; }
    // The gallery as it stands (committed plus this session's changes), read
    // from the files if need be, without starting a session: for a login,
    // which may come before any Zeph_LoadGallery. Null when the files are
    // damaged.
    const Gallery *peek();

    ZephResult info(const char *const **ids, int32_t *count, int32_t *freeSlots,
                    int32_t *capacity);
    ZephResult load(const char *const **ids, int32_t *count, int32_t *freeSlots,
                    int32_t *capacity);
    ZephResult enrolleeInfo(const char *id, ZephEnrolleeInfo *info) const;
    ZephResult enroll(const char *id, const std::vector<EyeTemplate> &capture,
                      const DedupRule &dedup, bool supervisorRequired, bool supervisorPresent,
                      int32_t role = kRoleUser);
    ZephResult unenroll(const char *id, bool supervisorRequired, bool supervisorPresent);
    ZephResult setRole(const char *id, int32_t role);
    ZephResult commit();
    ZephResult compare11(const char *id, const std::vector<EyeTemplate> &probe,
                         float *distance) const;
    ZephResult compare1N(const std::vector<EyeTemplate> &probe, float maxDistance,
                         const ZephMatchCandidate **candidates, int32_t *count);

    // compare1N in two steps, so that the search runs outside the camera
    // lock: begin1N checks and takes a snapshot of the gallery; finish1N
    // searches it (any thread, no lock needed) and fills this device's
    // candidate array.
    struct Search1N {
        std::shared_ptr<const Gallery::SearchBank> bank;
        std::vector<EyeTemplate> probe;
        float maxDistance = 0.0f;
        int32_t lie = 0; // ZvcLie for the candidates handed out
    };
    ZephResult begin1N(std::vector<EyeTemplate> probe, float maxDistance, Search1N &job) const;
    void finish1N(const Search1N &job, const ZephMatchCandidate **candidates, int32_t *count);

    const Gallery &gallery() const { return gallery_; }
    void setLimits(const GalleryLimits &limits) { gallery_.setLimits(limits); }
    const GalleryLimits &limits() const { return gallery_.limits(); }
    // Corrupts the array the last info() handed out in the way of a ZvcLie.
    void lieAboutInfoIds(int32_t lie, const char *const **ids);
    GalleryStore &files() { return files_; }

private:
    // An ID list of our own, so that it outlives changes to the gallery.
    struct IdList {
        std::vector<std::array<char, ZEPH_ID_SIZE>> texts;
        std::vector<const char *> pointers;
    };
    ZephResult listIds(IdList &list, const char *const **ids, int32_t *count,
                       int32_t *freeSlots, int32_t *capacity);

    Gallery gallery_;
    GalleryStore files_;
    bool inMemory_ = false;   // gallery_ holds the committed state (plus pending)
    bool initialised_ = false;
    IdList infoIds_;
    IdList loadIds_;
    std::mutex candidatesMutex_; // two searches may finish at once
    std::vector<ZephMatchCandidate> candidates_;
};

} // namespace zvc

#endif
