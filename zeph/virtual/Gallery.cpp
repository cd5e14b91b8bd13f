#include "Gallery.h"

#include "IrisMatcher.h"

#include <algorithm>
#include <cstring>

namespace zvc {

bool Gallery::isValidId(std::string_view id)
{
    return !id.empty() && id.size() < ZEPH_ID_SIZE && id.find('\0') == std::string_view::npos;
}

bool Gallery::readId(const char *text, std::string &id)
{
    if (!text)
        return false;
    const void *end = std::memchr(text, '\0', ZEPH_ID_SIZE);
    if (!end)
        return false; // no terminator within the field: 32 characters or more
    id.assign(text, static_cast<const char *>(end));
    return isValidId(id);
}

bool Gallery::comparable(uint8_t probeEye, uint8_t templateEye)
{
    return probeEye == ZEPH_EYE_UNKNOWN || templateEye == ZEPH_EYE_UNKNOWN
           || probeEye == templateEye;
}

const Enrollee *Gallery::find(std::string_view id) const
{
    const auto it = index_.find(std::string(id));
    return it == index_.end() ? nullptr : &entries_[it->second];
}

EnrolleeCounts Gallery::counts(const Enrollee &e) const
{
    EnrolleeCounts c;
    for (const EyeTemplate &t : e.templates) {
        if (t.eye == ZEPH_EYE_LEFT)
            ++c.left;
        else if (t.eye == ZEPH_EYE_RIGHT)
            ++c.right;
        else
            ++c.unknown;
    }
    c.total = static_cast<uint32_t>(e.templates.size());
    return c;
}

bool Gallery::bestDistance(const Enrollee &e, const std::vector<EyeTemplate> &probe, float &best)
{
    bool any = false;
    for (const EyeTemplate &p : probe) {
        for (const EyeTemplate &t : e.templates) {
            if (!comparable(p.eye, t.eye))
                continue;
            const float d = IrisMatcher::distance(p.code, t.code);
            if (!any || d < best)
                best = d;
            any = true;
        }
    }
    return any;
}

ZephResult Gallery::enroll(const std::string &id, const std::vector<EyeTemplate> &capture,
                           const DedupRule &dedup, int32_t role)
{
    if (!isValidId(id) || role < kRoleAdmin || role > kRoleUser)
        return ZEPH_ERR_INVALID_PARAMETER;
    if (capture.empty())
        return ZEPH_ERR_TEMPLATE_NOT_AVAILABLE;
    const uint64_t adding = capture.size();
    const Enrollee *existing = find(id);
    if (existing) {
        const uint64_t held = existing->templates.size();
        if (held >= limits_.maxTemplatesPerId)
            return ZEPH_ERR_MAX_SLOTS_FOR_ID;
        if (held + adding > limits_.maxTemplatesPerId)
            return ZEPH_ERR_NO_SLOTS_FOR_ID;
    } else {
        if (entries_.size() >= limits_.maxEnrollees)
            return ZEPH_ERR_GALLERY_FULL;
        if (adding > limits_.maxTemplatesPerId)
            return ZEPH_ERR_NO_SLOTS_FOR_ID;
    }
    if (templates_ + adding > limits_.maxTemplates)
        return ZEPH_ERR_NO_SLOTS_FOR_ENROLLMENT;
    if (dedup.enabled) {
        // Against every other ID; adding an eye to one's own ID is no duplicate.
        for (const Enrollee &e : entries_) {
            if (&e == existing)
                continue;
            float d = 0.0f;
            if (bestDistance(e, capture, d) && d <= dedup.threshold)
                return ZEPH_ERR_DUPLICATE_IRIS;
        }
    }
    GalleryChange change;
    change.kind = GalleryChange::AddTemplates;
    change.id = id;
    change.role = existing ? existing->role : role;
    change.templates = capture;
    apply(change);
    pending_.push_back(std::move(change));
    return ZEPH_OK;
}

ZephResult Gallery::unenroll(const std::string &id)
{
    if (!find(id))
        return ZEPH_ERR_ID_NOT_FOUND;
    GalleryChange change;
    change.kind = GalleryChange::Remove;
    change.id = id;
    apply(change);
    pending_.push_back(std::move(change));
    return ZEPH_OK;
}

ZephResult Gallery::setRole(const std::string &id, int32_t role)
{
    if (role < kRoleAdmin || role > kRoleUser)
        return ZEPH_ERR_INVALID_PARAMETER;
    if (!find(id))
        return ZEPH_ERR_ID_NOT_FOUND;
    GalleryChange change;
    change.kind = GalleryChange::SetRole;
    change.id = id;
    change.role = role;
    apply(change);
    pending_.push_back(std::move(change));
    return ZEPH_OK;
}

void Gallery::apply(const GalleryChange &change)
{
    const auto it = index_.find(change.id);
    switch (change.kind) {
    case GalleryChange::AddTemplates:
    {
        std::size_t at;
        if (it == index_.end()) {
            at = entries_.size();
            index_.emplace(change.id, at);
            entries_.push_back(Enrollee{change.id, change.role, change.templates});
        } else {
            at = it->second;
            auto &held = entries_[at].templates;
            held.insert(held.end(), change.templates.begin(), change.templates.end());
        }
        SearchBank &bank = bankToChange();
        if (at == bank.ids.size())
            bank.ids.push_back(change.id);
        for (const EyeTemplate &t : change.templates)
            bank.rows.push_back({t.code, t.eye, static_cast<uint32_t>(at)});
        templates_ += change.templates.size();
        break;
    }
    case GalleryChange::Remove: {
        const std::size_t at = it->second;
        templates_ -= entries_[at].templates.size();
        index_.erase(it);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
        for (auto &slot : index_)
            if (slot.second > at)
                --slot.second;
        const auto owner = static_cast<uint32_t>(at);
        SearchBank &bank = bankToChange();
        bank.ids.erase(bank.ids.begin() + static_cast<std::ptrdiff_t>(at));
        bank.rows.erase(std::remove_if(bank.rows.begin(), bank.rows.end(),
                                       [owner](const SearchBank::Row &r) { return r.owner == owner; }),
                        bank.rows.end());
        for (SearchBank::Row &r : bank.rows)
            if (r.owner > owner)
                --r.owner;
        break;
    }
    case GalleryChange::SetRole:
        entries_[it->second].role = change.role;
        break;
    }
}

bool Gallery::replay(const GalleryChange &change)
{
    if (!isValidId(change.id))
        return false;
    const bool known = index_.count(change.id) != 0;
    switch (change.kind) {
    case GalleryChange::AddTemplates:
        if (change.templates.empty() || change.role < kRoleAdmin || change.role > kRoleUser)
            return false;
        break;
    case GalleryChange::Remove:
        if (!known)
            return false;
        break;
    case GalleryChange::SetRole:
        if (!known || change.role < kRoleAdmin || change.role > kRoleUser)
            return false;
        break;
    default:
        return false;
    }
    apply(change);
    return true;
}

void Gallery::clear()
{
    entries_.clear();
    index_.clear();
    bank_ = std::make_shared<SearchBank>();
    templates_ = 0;
    pending_.clear();
}

ZephResult Gallery::compare11(const std::string &id, const std::vector<EyeTemplate> &probe,
                              float &distance) const
{
    const Enrollee *e = find(id);
    if (!e)
        return ZEPH_ERR_ID_NOT_FOUND;
    if (probe.empty())
        return ZEPH_ERR_TEMPLATE_NOT_AVAILABLE;
    float best = 0.0f;
    if (!bestDistance(*e, probe, best))
        return ZEPH_ERR_WRONG_EYE_SUBTYPE;
    distance = best;
    return ZEPH_OK;
}

ZephResult Gallery::compare1N(const std::vector<EyeTemplate> &probe, float maxDistance,
                              std::size_t maxCount, std::vector<MatchCandidate> &out) const
{
    out.clear();
    if (entries_.empty())
        return ZEPH_ERR_GALLERY_EMPTY;
    if (probe.empty())
        return ZEPH_ERR_TEMPLATE_NOT_AVAILABLE;
    search(*bank_, probe, maxDistance, maxCount, out);
    return ZEPH_OK;
}

Gallery::SearchBank &Gallery::bankToChange()
{
    // Someone searches the current bank: leave it to them, change a copy.
    if (bank_.use_count() > 1)
        bank_ = std::make_shared<SearchBank>(*bank_);
    return *bank_;
}

void Gallery::search(const SearchBank &bank, const std::vector<EyeTemplate> &probe,
                     float maxDistance, std::size_t maxCount, std::vector<MatchCandidate> &out)
{
    out.clear();
    constexpr float kNone = 1e30f;
    std::vector<float> best(bank.ids.size(), kNone);
    for (const SearchBank::Row &row : bank.rows) {
        float &b = best[row.owner];
        for (const EyeTemplate &p : probe) {
            if (!comparable(p.eye, row.eye))
                continue;
            const float d = IrisMatcher::distance(p.code, row.code);
            b = d < b ? d : b;
        }
    }
    for (std::size_t i = 0; i < best.size(); ++i)
        if (best[i] != kNone && best[i] <= maxDistance)
            out.push_back({i, best[i]});
    const auto better = [](const MatchCandidate &a, const MatchCandidate &b) {
        return a.distance < b.distance || (a.distance == b.distance && a.index < b.index);
    };
    if (out.size() > maxCount) {
        std::partial_sort(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(maxCount),
                          out.end(), better);
        out.resize(maxCount);
    } else {
        std::sort(out.begin(), out.end(), better);
    }
}

} // namespace zvc
