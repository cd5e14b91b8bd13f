// Bytes of the state files, sealed and read back independently of the
// library, and a private folder per test for the storage classes.
#ifndef TESTS_ZEPH_STOREFIXTURE_H
#define TESTS_ZEPH_STOREFIXTURE_H

#include "zeph/virtual/GalleryStore.h"
#include "zeph/virtual/StateStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace storetest {

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t le32(const Bytes &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Bit by bit, independent of the library's table.
inline uint32_t referenceCrc32(const uint8_t *data, std::size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putLe32(Bytes &b, std::size_t at, uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Writes the checksum of bytes [from, to) at `at`, so that only the damage
// under test remains.
inline void seal(Bytes &b, std::size_t from, std::size_t to, std::size_t at)
{
    putLe32(b, at, referenceCrc32(b.data() + from, to - from));
}

// A journal record's checksum covers its length field and its payload.
inline uint32_t recordCrc(const Bytes &j, std::size_t at)
{
    Bytes sealed(j.begin() + at, j.begin() + at + 4);
    sealed.insert(sealed.end(), j.begin() + at + 8, j.begin() + at + 8 + le32(j, at));
    return referenceCrc32(sealed.data(), sealed.size());
}

// Enrollee i: subject i, both eyes, a sharp capture.
inline std::vector<zvc::EyeTemplate> captureOf(uint64_t subject, uint64_t noise = 1)
{
    return {{ZEPH_EYE_RIGHT, zvc::IrisCode::capture(subject, 1, zvc::Presentation::Sharp, noise)},
            {ZEPH_EYE_LEFT, zvc::IrisCode::capture(subject, 2, zvc::Presentation::Sharp, noise)}};
}

// Same enrollees in the same order, with the same roles and templates.
inline bool sameGallery(const zvc::Gallery &a, const zvc::Gallery &b)
{
    const auto rows = [](const zvc::Gallery &g) {
        std::vector<std::tuple<std::string, int32_t, uint8_t, zvc::IrisCode>> out;
        for (const zvc::Enrollee &e : g.enrollees())
            for (const zvc::EyeTemplate &t : e.templates)
                out.emplace_back(e.id, e.role, t.eye, t.code);
        return out;
    };
    return rows(a) == rows(b);
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *env = std::getenv("ZEPH_VIRTUAL_STATE_DIR");
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = (env && *env ? std::string(env)
                             : (std::filesystem::temp_directory_path() / ("zvc-store-" + std::to_string(getpid()))).string())
                + "/" + info->test_suite_name() + "." + info->name();
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        store_.setDirectory(root_.c_str());
        folder_ = store_.deviceFolder("cam");
    }

    std::string snap() const { return folder_ + "/gallery.snap"; }
    std::string jnl() const { return folder_ + "/gallery.jnl"; }

    // A fresh store's reading of the files.
    zvc::Gallery loaded(ZephResult expected = ZEPH_OK) const
    {
        zvc::GalleryStore s(store_, folder_, "gallery");
        zvc::Gallery g;
        EXPECT_EQ(s.load(g), expected);
        return g;
    }

    zvc::StateStore store_;
    std::string root_;
    std::string folder_;
};

} // namespace storetest

#endif
