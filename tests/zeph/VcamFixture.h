// Shared set-up of the virtual camera tests: a fresh library, time scale 0
// and a state folder of the test's own inside the test program's folder.
#ifndef TESTS_ZEPH_VCAMFIXTURE_H
#define TESTS_ZEPH_VCAMFIXTURE_H

#include "zeph/virtual_camera.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vcamtest {

inline const char *const kBino = ZVC_DEFAULT_USB_BINOCULAR;
inline const char *const kMono = ZVC_DEFAULT_USB_MONOCULAR;

// Records every notification; safe to use from the library's thread.
class EventLog {
public:
    using Event = std::pair<int32_t, std::string>;

    static void record(void *context, int32_t event, const char *name)
    {
        auto *log = static_cast<EventLog *>(context);
        std::lock_guard<std::mutex> lock(log->m_);
        log->events_.emplace_back(event, name ? name : "");
        log->arrived_.notify_all();
    }

    // Returns as soon as `count` events are in; the limit only guards
    // against a hang when they never come.
    bool waitFor(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_);
        return arrived_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return events_.size() >= count; });
    }

    std::vector<Event> events()
    {
        std::lock_guard<std::mutex> lock(m_);
        return events_;
    }

private:
    std::mutex m_;
    std::condition_variable arrived_;
    std::vector<Event> events_;
};
using Events = std::vector<EventLog::Event>;

class VcamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *env = std::getenv("ZEPH_VIRTUAL_STATE_DIR");
        const std::string base = env && *env ? std::string(env)
                                             : (std::filesystem::temp_directory_path() /
                                                ("zvc-tests-" + std::to_string(getpid())))
                                                   .string();
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf = std::string(info->test_suite_name()) + "." + info->name();
        for (char &c : leaf)
            if (c == '/')
                c = '_';
        stateDir_ = base + "/" + leaf;
        std::error_code ec;
        std::filesystem::remove_all(stateDir_, ec);
        Zvc_SetNotificationCallback(nullptr, nullptr);
        Zvc_SetTimeScale(0.0);
        Zvc_SetStateDirectory(stateDir_.c_str());
        Zvc_Reset();
    }

    void TearDown() override
    {
        Zvc_SetNotificationCallback(nullptr, nullptr);
        Zvc_Reset();
    }

    static void useLink(int32_t commStd)
    {
        ZephSdkConfig c{};
        ASSERT_EQ(Zeph_GetSdkConfig(&c), ZEPH_OK);
        c.commStd = commStd;
        ASSERT_EQ(Zeph_SetSdkConfig(&c), ZEPH_OK);
    }

    static ZephHandle openOk(const char *name)
    {
        ZephHandle h = 0;
        EXPECT_EQ(Zeph_OpenDevice(name, &h), ZEPH_OK) << name;
        EXPECT_NE(h, 0u);
        return h;
    }

    static ZephResult infoResult(ZephHandle h)
    {
        ZephDeviceInfo info{};
        return Zeph_GetDeviceInfo(h, &info);
    }

    static std::vector<std::string> scan()
    {
        const char *const *names = nullptr;
        int32_t count = -1;
        EXPECT_EQ(Zeph_ScanDevices(&names, &count), ZEPH_OK);
        std::vector<std::string> out;
        for (int32_t i = 0; names && i < count; ++i)
            out.emplace_back(names[i]);
        return out;
    }

    std::string stateDir_;
};

} // namespace vcamtest

#endif
