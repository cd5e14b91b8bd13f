// The gallery and security families through zeph.h, where the program's
// suites do not reach: 0x4001 until Zeph_LoadGallery after every open, logins
// refused for their arguments or the threshold, roles that last across a
// restart, the lock kept across one, data closure, supervised enrolment and
// damaged stores.
// Commissioning and the rights of each role are driven end to end by
// tests/admin/tst_security; failed logins are only checked here.
#include "VcamFixture.h"

#include <fstream>

using namespace vcamtest;
using GalleryApi = VcamTest;

namespace {

constexpr uint32_t kAdminSubject = 21, kSuperSubject = 22, kUserSubject = 23, kStranger = 99;

class Security : public VcamTest {
protected:
    static ZephResult loginAs(const char *name, ZephHandle h, uint32_t subject, const char *id,
                              int32_t role)
    {
        capture(name, h, subject);
        return Zeph_Login(h, id, role);
    }
};

std::vector<std::string> adminIds(ZephHandle h, ZephResult *result = nullptr)
{
    const char *const *ids = nullptr;
    int32_t count = -1;
    const ZephResult r = Zeph_GetAdminGalleryInfo(h, &ids, &count, nullptr, nullptr);
    if (result)
        *result = r;
    std::vector<std::string> out;
    for (int32_t i = 0; ids && i < count; ++i)
        out.emplace_back(ids[i]);
    return out;
}

ZephResult load(ZephHandle h, int32_t *count = nullptr, int32_t *freeSlots = nullptr,
                int32_t *capacity = nullptr)
{
    const char *const *ids = nullptr;
    int32_t n = -1;
    return Zeph_LoadGallery(h, &ids, count ? count : &n, freeSlots, capacity);
}

ZephResult info(ZephHandle h)
{
    const char *const *ids = nullptr;
    int32_t n = -1;
    return Zeph_GetGalleryInfo(h, &ids, &n, nullptr, nullptr);
}

ZephResult imageResult(ZephHandle h)
{
    const ZephImage *images = reinterpret_cast<const ZephImage *>(1);
    int32_t count = -1;
    const ZephResult r = Zeph_GetResultImage(h, ZEPH_KIND_K2, ZEPH_FORMAT_MONO_RAW, 0, &images, &count);
    if (r != ZEPH_OK && r != ZEPH_ERR_NO_QUALIFIED_LEFT && r != ZEPH_ERR_NO_QUALIFIED_RIGHT) {
        EXPECT_TRUE(images == nullptr && count == 0) << "outputs written on refusal";
    }
    return r;
}

ZephResult isoResult(ZephHandle h)
{
    ZephIsoRecord record{};
    return Zeph_GetResultIsoImage(h, ZEPH_ISO_2011, ZEPH_FORMAT_MONO_RAW, ZEPH_KIND_K2, 0,
                                  ZEPH_ISO_SUBTYPE_UNKNOWN, &record);
}

ZephResult qualityResult(ZephHandle h)
{
    const ZephQuality *q = nullptr;
    int32_t n = 0;
    return Zeph_GetResultQuality(h, &q, &n);
}

} // namespace

TEST_F(GalleryApi, NotInitialisedUntilLoadedAfterEveryOpen)
{
    ZephHandle h = openOk(kBino);
    const ZephMatchCandidate *cand = reinterpret_cast<const ZephMatchCandidate *>(1);
    int32_t n = 7;
    float d = 2.0f;
    ZephEnrolleeInfo e{};
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED); // the answer the program loads on
    EXPECT_EQ(Zeph_EnrollCapture(h, "A"), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    EXPECT_EQ(Zeph_Compare1N(h, 1.1f, &cand, &n), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    int32_t count = -1, freeSlots = -1, capacity = -1;
    EXPECT_EQ(load(h, &count, &freeSlots, &capacity), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(freeSlots, capacity);
    EXPECT_GE(capacity, 100000);
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_EMPTY);
    EXPECT_EQ(Zeph_GetEnrolleeInfo(h, "A", &e), ZEPH_ERR_ID_NOT_FOUND);
    EXPECT_EQ(Zeph_Compare1N(h, 1.1f, nullptr, &n), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_EnrollCapture(h, "A"), ZEPH_ERR_FRAME_NOT_AVAILABLE);
    EXPECT_EQ(Zeph_Compare1N(h, 1.1f, &cand, &n), ZEPH_ERR_FRAME_NOT_AVAILABLE);

    ASSERT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
    h = openOk(kBino);
    EXPECT_EQ(info(h), ZEPH_ERR_GALLERY_NOT_INITIALIZED) << "again after an open";
    EXPECT_EQ(load(h), ZEPH_ERR_GALLERY_EMPTY);

    // The one-eye camera cannot compare, and says so before anything else.
    const ZephHandle mono = openOk(kMono);
    cand = reinterpret_cast<const ZephMatchCandidate *>(1);
    EXPECT_EQ(Zeph_Compare11(mono, "A", &d), ZEPH_ERR_UNSUPPORTED);
    EXPECT_EQ(Zeph_Compare1N(mono, 1.1f, &cand, &n), ZEPH_ERR_UNSUPPORTED);
    EXPECT_TRUE(cand == nullptr && n == 0) << "outputs are cleared";
}

class SecurityRights : public Security {
protected:
    // Admin1 (administrator), Super1 (enrollee raised to SUPERUSER) and
    // User1 (plain enrollee), nobody logged in.
    void SetUp() override
    {
        Security::SetUp();
        h = openOk(kBino);
        capture(kBino, h, kAdminSubject);
        ASSERT_EQ(Zeph_EnrollAsAdmin(h, "Admin1"), ZEPH_OK);
        ASSERT_EQ(load(h), ZEPH_ERR_GALLERY_EMPTY);
        capture(kBino, h, kSuperSubject);
        ASSERT_EQ(Zeph_EnrollCapture(h, "Super1"), ZEPH_OK);
        capture(kBino, h, kUserSubject);
        ASSERT_EQ(Zeph_EnrollCapture(h, "User1"), ZEPH_OK);
        ASSERT_EQ(Zeph_CommitGallery(h), ZEPH_OK);
        ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
        ASSERT_EQ(Zeph_SetUserRole(h, "Super1", ZEPH_ROLE_SUPERUSER), ZEPH_OK);
        ASSERT_EQ(Zeph_CommitGallery(h), ZEPH_OK);
        ASSERT_EQ(Zeph_Logout(h), ZEPH_OK);
    }
    void TearDown() override
    {
        Zeph_CloseDevice(h);
        Security::TearDown();
    }
    ZephHandle h = 0;
};

TEST_F(SecurityRights, LoginsThatMustFail)
{
    struct Case {
        const char *what;
        uint32_t subject; // 0: no capture held
        const char *id;
        int32_t role;
        ZephResult expected;
    };
    const std::vector<Case> cases = {
        {"role USER", kUserSubject, "User1", ZEPH_ROLE_USER, ZEPH_ERR_INVALID_PARAMETER},
        {"null ID", kAdminSubject, nullptr, ZEPH_ROLE_ADMIN, ZEPH_ERR_INVALID_PARAMETER},
        {"no capture", 0, "Admin1", ZEPH_ROLE_ADMIN, ZEPH_ERR_FRAME_NOT_AVAILABLE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.subject)
            capture(kBino, h, c.subject);
        else
            ASSERT_EQ(Zeph_ClearCapture(h, ZEPH_CLEAR_ALL), ZEPH_OK);
        EXPECT_EQ(Zeph_Login(h, c.id, c.role), c.expected);
        EXPECT_EQ(Zeph_LockDevice(h), ZEPH_ERR_PERMISSION_DENIED) << "no session after a failure";
    }
    // A poor genuine capture (right eye blurred, left dropped) lands between
    // the loosest and the strictest authThreshold.
    ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    for (const float threshold : {ZEPH_THRESHOLD_MAX, ZEPH_THRESHOLD_MIN}) {
        SCOPED_TRACE(threshold);
        ASSERT_EQ(changeConfig(h, [&](ZephDeviceConfig &c) { c.authThreshold = threshold; }), ZEPH_OK);
        capture(kBino, h, kAdminSubject, ZVC_EYE_BLURRED);
        ASSERT_EQ(Zeph_ClearCapture(h, ZEPH_CLEAR_LEFT), ZEPH_OK);
        EXPECT_EQ(Zeph_Login(h, "Admin1", ZEPH_ROLE_ADMIN),
                  threshold == ZEPH_THRESHOLD_MAX ? ZEPH_OK : ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE);
    }
    EXPECT_EQ(Zeph_LockDevice(h), ZEPH_OK) << "a failed login keeps the session it found";
}

// Logout, ordinary removals and the widgets' own state are the admin
// suites'; the camera's side is here.
TEST_F(SecurityRights, CloseAndSelfRemovalEndTheSession)
{
    ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    ASSERT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
    h = openOk(kBino);
    EXPECT_EQ(Zeph_UnlockDevice(h), ZEPH_ERR_PERMISSION_DENIED) << "a new handle has no session";

    // A second administrator; the first removes himself and is logged out.
    ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    capture(kBino, h, kStranger);
    ASSERT_EQ(Zeph_EnrollAsAdmin(h, "Admin2"), ZEPH_OK);
    EXPECT_EQ(Zeph_UnenrollAdmin(h, "Admin1"), ZEPH_OK);
    EXPECT_EQ(adminIds(h), std::vector<std::string>{"Admin2"});
    // Only a session can tell: guarded calls look the administrator up anyway.
    EXPECT_EQ(Zeph_SetUserRole(h, "User1", ZEPH_ROLE_USER), ZEPH_ERR_PERMISSION_DENIED);
    EXPECT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN),
              ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE);
}

TEST_F(SecurityRights, SetRoleNeedsAnEnrolleeAndACommitToLast)
{
    ASSERT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
    h = openOk(kBino);
    ASSERT_EQ(loginAs(kBino, h, kSuperSubject, "Super1", ZEPH_ROLE_SUPERUSER), ZEPH_OK);
    EXPECT_EQ(Zeph_SetUserRole(h, "User1", ZEPH_ROLE_SUPERUSER), ZEPH_ERR_GALLERY_NOT_INITIALIZED);
    ASSERT_EQ(load(h), ZEPH_OK);
    EXPECT_EQ(Zeph_SetUserRole(h, "User1", ZEPH_ROLE_ADMIN), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_SetUserRole(h, "Nobody", ZEPH_ROLE_USER), ZEPH_ERR_ID_NOT_FOUND);
    EXPECT_EQ(Zeph_SetUserRole(h, "User1", ZEPH_ROLE_SUPERUSER), ZEPH_OK);
    EXPECT_EQ(Zeph_SetUserRole(h, "Super1", ZEPH_ROLE_USER), ZEPH_OK);
    ASSERT_EQ(Zeph_CommitGallery(h), ZEPH_OK);

    Zvc_Reset(); // the camera restarts with its state folder
    h = openOk(kBino);
    EXPECT_EQ(loginAs(kBino, h, kSuperSubject, "Super1", ZEPH_ROLE_SUPERUSER),
              ZEPH_ERR_UNMATCHED_OR_WRONG_ROLE) << "demoted";
    EXPECT_EQ(loginAs(kBino, h, kUserSubject, "User1", ZEPH_ROLE_SUPERUSER), ZEPH_OK)
        << "raised, and found before any Zeph_LoadGallery";
}

TEST_F(SecurityRights, ALockWithholdsImagesAcrossARestartUntilUnlocked)
{
    ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    EXPECT_EQ(imageResult(h), ZEPH_OK);
    ASSERT_EQ(Zeph_LockDevice(h), ZEPH_OK);
    EXPECT_EQ(Zeph_LockDevice(h), ZEPH_OK) << "locking twice is harmless";
    EXPECT_EQ(qualityResult(h), ZEPH_OK) << "scores stay out";
    EXPECT_EQ(imageResult(h), ZEPH_ERR_DEVICE_LOCKED);
    EXPECT_EQ(isoResult(h), ZEPH_ERR_DEVICE_LOCKED);
    ASSERT_EQ(load(h), ZEPH_OK);
    float d = 2.0f;
    EXPECT_EQ(Zeph_Compare11(h, "Super1", &d), ZEPH_OK) << "matching goes on";

    Zvc_Reset();
    h = openOk(kBino);
    EXPECT_EQ(adminIds(h), std::vector<std::string>{"Admin1"});
    capture(kBino, h, kAdminSubject);
    EXPECT_EQ(qualityResult(h), ZEPH_OK);
    EXPECT_EQ(imageResult(h), ZEPH_ERR_DEVICE_LOCKED) << "still locked after the restart";
    EXPECT_EQ(Zeph_UnlockDevice(h), ZEPH_ERR_PERMISSION_DENIED);
    ASSERT_EQ(Zeph_Login(h, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    ASSERT_EQ(Zeph_UnlockDevice(h), ZEPH_OK);
    EXPECT_EQ(imageResult(h), ZEPH_OK);
}

TEST_F(Security, DataClosureAndForcedEncryptionWithholdImagesOnly)
{
    const std::vector<std::pair<const char *, std::function<void(ZephDeviceConfig &)>>> cases = {
        {"data closure", [](ZephDeviceConfig &c) { c.dataClosure = 1; }},
        {"forced encryption", [](ZephDeviceConfig &c) { c.forceEncryption = 1; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        Zvc_SetStateDirectory((stateDir_ + "/" + c.first).c_str()); // a camera never commissioned
        Zvc_Reset();
        ZephHandle h = openOk(kBino);
        ASSERT_EQ(changeConfig(h, c.second), ZEPH_OK);
        capture(kBino, h, kUserSubject);
        EXPECT_EQ(qualityResult(h), ZEPH_OK);
        EXPECT_EQ(imageResult(h), ZEPH_ERR_FUNCTION_DISABLED);
        ASSERT_EQ(load(h), ZEPH_ERR_GALLERY_EMPTY);
        EXPECT_EQ(Zeph_EnrollCapture(h, "User1"), ZEPH_OK);
        float d = 2.0f;
        EXPECT_EQ(Zeph_Compare11(h, "User1", &d), ZEPH_OK);
        EXPECT_EQ(Zeph_EnrollAsAdmin(h, "Admin1"), ZEPH_OK);
        EXPECT_EQ(Zeph_Login(h, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
        ASSERT_EQ(changeConfig(h, [](ZephDeviceConfig &x) { x.dataClosure = x.forceEncryption = 0; }),
                  ZEPH_OK);
        EXPECT_EQ(imageResult(h), ZEPH_OK) << "released again";
        Zeph_CloseDevice(h);
    }
}

TEST_F(Security, SupervisedEnrolmentNeedsASupervisor)
{
    const ZephHandle h = openOk(kBino);
    ASSERT_EQ(changeConfig(h, [](ZephDeviceConfig &c) { c.supervisedEnrollment = 1; }), ZEPH_OK);
    ASSERT_EQ(load(h), ZEPH_ERR_GALLERY_EMPTY);
    capture(kBino, h, kAdminSubject);
    EXPECT_EQ(Zeph_EnrollCapture(h, "User1"), ZEPH_ERR_PERMISSION_DENIED);
    ASSERT_EQ(Zeph_EnrollAsAdmin(h, "Admin1"), ZEPH_OK);
    ASSERT_EQ(Zeph_Login(h, "Admin1", ZEPH_ROLE_ADMIN), ZEPH_OK);
    capture(kBino, h, kUserSubject);
    EXPECT_EQ(Zeph_EnrollCapture(h, "User1"), ZEPH_OK);
    ASSERT_EQ(Zeph_Logout(h), ZEPH_OK);
    EXPECT_EQ(Zeph_UnenrollTemplate(h, "User1"), ZEPH_ERR_PERMISSION_DENIED);
    ASSERT_EQ(loginAs(kBino, h, kAdminSubject, "Admin1", ZEPH_ROLE_SUPERUSER), ZEPH_OK);
    EXPECT_EQ(Zeph_UnenrollTemplate(h, "User1"), ZEPH_OK);
    Zeph_CloseDevice(h);
}

TEST_F(Security, DamagedStoresKeepTheGuardsUpAndAreRefused)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(stateDir_) / "devices" / kBino;
    struct Case {
        const char *what;
        const char *file;
        const char *bytes;
        ZephResult adminInfo, config, images, gallery;
    };
    const ZephResult empty = ZEPH_ERR_GALLERY_EMPTY, failed = ZEPH_ERR_GALLERY_LOAD_FAILED;
    const std::vector<Case> cases = {
        {"damaged administrators", "admins.snap", "ZVSN not a snapshot", failed,
         ZEPH_ERR_PERMISSION_DENIED, ZEPH_OK, empty},
        {"damaged lock", "lock.bin", "??", empty, ZEPH_OK, ZEPH_ERR_DEVICE_LOCKED, empty},
        // Nothing is read at the restart: the files wait for Zeph_LoadGallery.
        {"damaged gallery", "gallery.snap", "ZVSN not a snapshot", empty, ZEPH_OK, ZEPH_OK, failed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / c.file, std::ios::binary) << c.bytes;
        Zvc_Reset();
        const ZephHandle h = openOk(kBino);
        ZephResult r = ZEPH_OK;
        adminIds(h, &r);
        EXPECT_EQ(r, c.adminInfo);
        EXPECT_EQ(changeConfig(h, [](ZephDeviceConfig &) {}), c.config);
        capture(kBino, h, kUserSubject);
        EXPECT_EQ(imageResult(h), c.images);
        EXPECT_EQ(load(h), c.gallery);
        EXPECT_EQ(load(h), c.gallery) << "every time, never emptied";
        Zeph_CloseDevice(h);
    }
}
