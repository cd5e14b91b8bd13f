// The state folder: where it is, what is kept in it, byte by byte, and how
// damaged or unwritable files are handled.
#include "StoreFixture.h"
#include "VcamFixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using vcamtest::kBino;
using vcamtest::kMono;
using State = vcamtest::VcamTest;
using storetest::Bytes;
using storetest::le32;
using storetest::readBytes;
using storetest::referenceCrc32;
using storetest::writeBytes;
namespace fs = std::filesystem;

namespace {

// A distinctive, valid record; reserved bytes included.
ZephDeviceConfig customConfig()
{
    ZephDeviceConfig c{};
    c.forceEncryption = 1; c.reserved2[0] = 0x12; c.dedupThreshold = 0.85f;
    c.authThreshold = 1.05f; c.supervisedEnrollment = 1; c.enableStream = 1; c.streamScale = 8;
    c.streamFormat = ZEPH_FORMAT_MONO_JPEG; c.compressionQuality = 55; c.reserved18[1] = 0x34;
    c.uartBaudrate = 460800; c.uartFlowControl = 1; c.reserved25[10] = 0x56;
    c.deepSleepInterrupt = 1; c.sleepMode = ZEPH_SLEEP_DEEP; c.sleepTimeout = 0x1234;
    c.reserved40[11] = 0x78;
    return c;
}

ZephDeviceConfig configOf(const char *name)
{
    ZephHandle h = 0;
    EXPECT_EQ(Zeph_OpenDevice(name, &h), ZEPH_OK);
    ZephDeviceConfig c{};
    EXPECT_EQ(Zeph_GetDeviceConfig(h, &c), ZEPH_OK);
    Zeph_CloseDevice(h);
    return c;
}

ZephResult storeConfig(const char *name, const ZephDeviceConfig &c)
{
    ZephHandle h = 0;
    EXPECT_EQ(Zeph_OpenDevice(name, &h), ZEPH_OK);
    const ZephResult r = Zeph_SetDeviceConfig(h, &c);
    Zeph_CloseDevice(h);
    return r;
}

bool same(const ZephDeviceConfig &a, const ZephDeviceConfig &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<fs::path> filesUnder(const std::string &dir)
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), dir));
    std::sort(files.begin(), files.end());
    return files;
}

// Sets (nullptr: unsets) an environment variable for the lifetime of the object.
struct EnvOverride {
    EnvOverride(const char *n, const char *value) : name(n)
    {
        if (const char *was = std::getenv(n))
            old = was;
        set(value);
    }
    ~EnvOverride() { set(old ? old->c_str() : nullptr); }
    void set(const char *value) { value ? setenv(name, value, 1) : unsetenv(name); }
    const char *name;
    std::optional<std::string> old;
};

} // namespace

// One device's stored configuration: kept across a reset without temporary
// files, laid out field by field, and a damaged file gives the factory one.
TEST_F(State, ConfigurationFileSurvivesAResetFieldByFieldAndIsRefusedWhenDamaged)
{
    const ZephDeviceConfig factory = configOf(kBino);
    ZephDeviceConfig first = customConfig();
    first.sleepTimeout = 10;
    ASSERT_EQ(storeConfig(kBino, first), ZEPH_OK);
    ASSERT_EQ(storeConfig(kBino, customConfig()), ZEPH_OK); // replaces the file written first
    Zvc_Reset();
    EXPECT_TRUE(same(configOf(kBino), customConfig()));
    EXPECT_EQ(filesUnder(stateDir_), (std::vector<fs::path>{fs::path("devices") / kBino / "config.bin"}));

    const fs::path path = fs::path(stateDir_) / "devices" / kBino / "config.bin";
    const auto file = readBytes(path);
    ASSERT_EQ(file.size(), 64u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "ZVDC");
    EXPECT_EQ(file[4] | (file[5] << 8), 1) << "format version";
    EXPECT_EQ(file[6] | (file[7] << 8), 52) << "record size";
    const std::size_t r = 8; // the record as the camera sends it
    EXPECT_EQ(file[r + 0], 1);
    EXPECT_EQ(file[r + 2], 0x12);
    EXPECT_EQ(le32(file, r + 4), 0x3F59999Au) << "0.85 as a binary32";
    EXPECT_EQ(le32(file, r + 8), 0x3F866666u) << "1.05 as a binary32";
    EXPECT_EQ(file[r + 12], 1);
    EXPECT_EQ(file[r + 15], 8);
    EXPECT_EQ(file[r + 16], 6);
    EXPECT_EQ(file[r + 17], 55);
    EXPECT_EQ(file[r + 19], 0x34);
    EXPECT_EQ(le32(file, r + 20), 460800u);
    EXPECT_EQ(file[r + 24], 1);
    EXPECT_EQ(file[r + 35], 0x56);
    EXPECT_EQ(file[r + 36], 1);
    EXPECT_EQ(file[r + 37], 4);
    EXPECT_EQ(file[r + 38], 0x34);
    EXPECT_EQ(file[r + 39], 0x12);
    EXPECT_EQ(file[r + 51], 0x78);
    EXPECT_EQ(le32(file, 60), referenceCrc32(file.data(), 60));

    const auto sealed = [](Bytes &f) { storetest::seal(f, 0, 60, 60); };
    struct Case {
        const char *what;
        std::function<void(Bytes &)> damage;
    } cases[] = {
        {"cut short", [](Bytes &f) { f.resize(63); }},
        {"wrong magic", [&](Bytes &f) { f[0] = 'X'; sealed(f); }},
        {"other record size", [&](Bytes &f) { f[6] = 51; sealed(f); }},
        {"flipped bit", [](Bytes &f) { f[8 + 20] ^= 0x01; }},
        {"invalid record, sealed", [&](Bytes &f) { f[8 + 15] = 3; sealed(f); }},
        {"huge file", [](Bytes &f) { f.resize(1 << 20, 0xAB); }},
    };
    for (const Case &d : cases) {
        SCOPED_TRACE(d.what);
        auto damaged = file;
        d.damage(damaged);
        writeBytes(path, damaged);
        Zvc_Reset();
        EXPECT_TRUE(same(configOf(kBino), factory));
    }
    writeBytes(path, file);
    Zvc_Reset();
    EXPECT_TRUE(same(configOf(kBino), customConfig())) << "the intact file is accepted again";
}

TEST_F(State, MovingTheFolderTakesEffectAtOnceAndAnUnwritableOneKeepsTheOldConfiguration)
{
    const ZephDeviceConfig factory = configOf(kBino);
    ASSERT_EQ(storeConfig(kBino, customConfig()), ZEPH_OK);
    const std::string other = stateDir_ + "-other";
    fs::remove_all(other);
    Zvc_SetStateDirectory(other.c_str());
    EXPECT_TRUE(same(configOf(kBino), factory));
    EXPECT_FALSE(fs::exists(other)) << "created only when something is written";
    Zvc_SetStateDirectory(stateDir_.c_str());
    EXPECT_TRUE(same(configOf(kBino), customConfig()));

    writeBytes(fs::path(stateDir_) / "blocker", {1});
    Zvc_SetStateDirectory((stateDir_ + "/blocker").c_str()); // a file where a folder should be
    EXPECT_EQ(storeConfig(kBino, customConfig()), ZEPH_ERR_DEVICE_IO_FAILED);
    EXPECT_TRUE(same(configOf(kBino), factory));
    Zvc_SetStateDirectory(stateDir_.c_str());
}

TEST_F(State, DefaultFolderComesFromTheEnvironment)
{
    struct Case {
        const char *stateDir, *xdgDataHome, *home;
        std::string expected;
    } cases[] = {
        {"/tmp/zvc-explicit", "/tmp/xdg", "/tmp/home", "/tmp/zvc-explicit"},
        {nullptr, "/tmp/xdg", "/tmp/home", "/tmp/xdg/zeph-virtual-camera"},
        {"", "/tmp/xdg", "/tmp/home", "/tmp/xdg/zeph-virtual-camera"},
        {nullptr, nullptr, "/tmp/home", "/tmp/home/.local/share/zeph-virtual-camera"},
        {nullptr, "relative/xdg", "/tmp/home", "/tmp/home/.local/share/zeph-virtual-camera"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EnvOverride state("ZEPH_VIRTUAL_STATE_DIR", c.stateDir);
        EnvOverride xdg("XDG_DATA_HOME", c.xdgDataHome);
        EnvOverride home("HOME", c.home);
        Zvc_SetStateDirectory(nullptr);
        EXPECT_EQ(std::string(Zvc_StateDirectory()), c.expected);
    }
    Zvc_SetStateDirectory(stateDir_.c_str());
}

TEST_F(State, OddDeviceNamesGetSeparateSafeFolders)
{
    ASSERT_EQ(Zvc_AddDevice("../a/b", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR), ZEPH_OK);
    ASSERT_EQ(Zvc_AddDevice("../a_b", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR), ZEPH_OK);
    ZephDeviceConfig one = customConfig(), two = customConfig();
    two.sleepTimeout = 99;
    ASSERT_EQ(storeConfig("../a/b", one), ZEPH_OK);
    ASSERT_EQ(storeConfig("../a_b", two), ZEPH_OK);
    EXPECT_TRUE(same(configOf("../a/b"), one));
    EXPECT_TRUE(same(configOf("../a_b"), two));
    const auto files = filesUnder(stateDir_);
    EXPECT_EQ(files.size(), 2u);
    for (const fs::path &rel : files) {
        EXPECT_EQ(std::distance(rel.begin(), rel.end()), 3) << rel; // devices/<key>/config.bin
        EXPECT_EQ(rel.string().find(".."), std::string::npos) << rel;
    }
    EXPECT_FALSE(fs::exists(fs::path(stateDir_).parent_path() / "a"));
}
