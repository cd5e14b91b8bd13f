// A private folder per test for the storage classes, inside the test
// program's own state folder.
#ifndef TESTS_ZEPH_STOREFIXTURE_H
#define TESTS_ZEPH_STOREFIXTURE_H

#include "zeph/virtual/Gallery.h"
#include "zeph/virtual/StateStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
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

// Enrollee i: subject i, both eyes, a sharp capture.
inline std::vector<zvc::EyeTemplate> captureOf(uint64_t subject, uint64_t noise = 1)
{
    return {{ZEPH_EYE_RIGHT, zvc::IrisCode::capture(subject, 1, zvc::Presentation::Sharp, noise)},
            {ZEPH_EYE_LEFT, zvc::IrisCode::capture(subject, 2, zvc::Presentation::Sharp, noise)}};
}

inline bool sameGallery(const zvc::Gallery &a, const zvc::Gallery &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto &x = a.enrollees()[i];
        const auto &y = b.enrollees()[i];
        if (x.id != y.id || x.role != y.role || x.templates.size() != y.templates.size())
            return false;
        for (std::size_t t = 0; t < x.templates.size(); ++t)
            if (x.templates[t].eye != y.templates[t].eye || x.templates[t].code != y.templates[t].code)
                return false;
    }
    return true;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *env = std::getenv("ZEPH_VIRTUAL_STATE_DIR");
        const std::string base = env && *env ? std::string(env)
                                             : (std::filesystem::temp_directory_path()
                                                / ("zvc-store-" + std::to_string(getpid())))
                                                   .string();
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = std::string(info->test_suite_name()) + "." + info->name();
        for (char &c : leaf)
            if (c == '/')
                c = '_';
        root_ = base + "/" + leaf;
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
        std::filesystem::create_directories(root_);
        store_.setDirectory(root_.c_str());
        folder_ = store_.deviceFolder("cam");
    }

    std::string snap() const { return folder_ + "/gallery.snap"; }
    std::string jnl() const { return folder_ + "/gallery.jnl"; }

    zvc::StateStore store_;
    std::string root_;
    std::string folder_;
};

} // namespace storetest

#endif
