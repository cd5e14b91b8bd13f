// The camera's template gallery in memory: enrollees by ID, each with its
// iris templates per eye and a role, in the order they were enrolled.
//
// Changes are held here until a commit: every enrolment, removal and role
// change is also kept as a pending change, which GalleryStore writes to the
// journal and then clears. An administrator gallery is the same class with
// the role field in use.
//
// Eye rules: a template is right (1), left (2) or unknown (0). A probe and a
// template can be compared when their eyes are equal or either is unknown.
// An enrollee's distance is the smallest over all comparable pairs.
#ifndef ZEPH_VIRTUAL_GALLERY_H
#define ZEPH_VIRTUAL_GALLERY_H

#include "IrisCode.h"
#include "zeph/zeph.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zvc {


constexpr int32_t kRoleAdmin = 0;
constexpr int32_t kRoleSuperUser = 1;
constexpr int32_t kRoleUser = 2;

struct EyeTemplate {
    uint8_t eye = ZEPH_EYE_UNKNOWN; // ZEPH_EYE_RIGHT, ZEPH_EYE_LEFT or ZEPH_EYE_UNKNOWN
    IrisCode code;
};

struct Enrollee {
    std::string id;
    int32_t role = kRoleUser;
    std::vector<EyeTemplate> templates;
};

struct GalleryLimits {
    uint32_t maxEnrollees = 100000;
    uint32_t maxTemplatesPerId = 4;
    uint64_t maxTemplates = 400000;
};

struct DedupRule {
    bool enabled = false;
    float threshold = 0.0f; // a distance at or below it is the same iris
};

struct GalleryChange {
    enum Kind : uint8_t { AddTemplates = 1, Remove = 2, SetRole = 3 };
    Kind kind = AddTemplates;
    std::string id;
    int32_t role = kRoleUser;          // AddTemplates of a new ID, SetRole
    std::vector<EyeTemplate> templates; // AddTemplates
};

struct MatchCandidate {
    std::size_t index; // gallery order
    float distance;
};

struct EnrolleeCounts {
    uint32_t left = 0, right = 0, unknown = 0, total = 0;
};

class Gallery {
public:
    explicit Gallery(GalleryLimits limits = {}) : limits_(limits) {}

    const GalleryLimits &limits() const { return limits_; }
    void setLimits(const GalleryLimits &limits) { limits_ = limits; }

    // 1 to 31 characters, no NUL inside: what fits a 32-byte ID field.
    static bool isValidId(std::string_view id);
    // An ID handed in through a C pointer: read at most 32 bytes.
    static bool readId(const char *text, std::string &id);
    static bool comparable(uint8_t probeEye, uint8_t templateEye);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    uint64_t templateCount() const { return templates_; }
    const std::vector<Enrollee> &enrollees() const { return entries_; }
    const Enrollee *find(std::string_view id) const;
    EnrolleeCounts counts(const Enrollee &e) const;

    // ZEPH_OK, or why not: 0x0F bad ID, 0x5001 no template; at the limits
    // 0x4004 no room for a new ID, 0x4008 the ID holds its maximum already,
    // 0x4006 the ID has free slots but fewer than the capture brings, 0x4007
    // the gallery's template slots are used up; 0x4009 the iris is another ID's.
    ZephResult enroll(const std::string &id, const std::vector<EyeTemplate> &capture,
                      const DedupRule &dedup, int32_t role = kRoleUser);
    ZephResult unenroll(const std::string &id);           // 0x4005 when absent
    ZephResult setRole(const std::string &id, int32_t role);

    // 0x4005 unknown ID, 0x5001 empty probe, 0x16 no eye of the probe can be
    // compared with a template of the ID.
    ZephResult compare11(const std::string &id, const std::vector<EyeTemplate> &probe,
                         float &distance) const;
    // Enrollees at or below maxDistance, best first (ties in gallery order),
    // at most maxCount. 0x4003 on an empty gallery, 0x5001 on an empty probe.
    ZephResult compare1N(const std::vector<EyeTemplate> &probe, float maxDistance,
                         std::size_t maxCount, std::vector<MatchCandidate> &out) const;

    // What 1:N searches: every template back to back (so that the search
    // streams through memory) with the IDs they belong to. A snapshot is
    // immutable: the gallery copies it before changing it while a snapshot
    // is held, so a search can run on it without any lock.
    struct SearchBank {
        struct Row {
            IrisCode code;
            uint8_t eye;
            uint32_t owner; // index into ids (gallery order)
        };
        std::vector<Row> rows;
        std::vector<std::string> ids;
    };
    std::shared_ptr<const SearchBank> searchSnapshot() const { return bank_; }
    // The search of compare1N on a snapshot (not empty, probe not empty).
    static void search(const SearchBank &bank, const std::vector<EyeTemplate> &probe,
                       float maxDistance, std::size_t maxCount, std::vector<MatchCandidate> &out);

    const std::vector<GalleryChange> &pending() const { return pending_; }
    bool hasPending() const { return !pending_.empty(); }
    void markCommitted() { pending_.clear(); }

    // Replaying stored changes: no limits, no deduplication, no pending
    // record. False when the change cannot apply (the store is inconsistent).
    bool replay(const GalleryChange &change);
    void clear();

private:
    // Smallest distance of one enrollee against the probe; false when no
    // pair is comparable.
    static bool bestDistance(const Enrollee &e, const std::vector<EyeTemplate> &probe,
                             float &best);
    void apply(const GalleryChange &change);

    SearchBank &bankToChange();

    GalleryLimits limits_;
    std::vector<Enrollee> entries_;
    std::shared_ptr<SearchBank> bank_ = std::make_shared<SearchBank>();
    std::unordered_map<std::string, std::size_t> index_;
    uint64_t templates_ = 0;
    std::vector<GalleryChange> pending_;
};

} // namespace zvc

#endif
