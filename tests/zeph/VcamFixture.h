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
#include <functional>
#include <string>
#include <thread>
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

// Records every frame callback: what came, when in model time, on which
// thread, and whether it came after the test said "no more".
class FrameLog {
public:
    struct Call {
        int64_t modelMs;
        int32_t status;
        int32_t error;
        bool right;
        bool left;
        uint32_t width;
        std::thread::id thread;
    };

    static int32_t record(void *context, const ZephImage *images, int32_t, const int32_t *status,
                          const int32_t *error)
    {
        auto *log = static_cast<FrameLog *>(context);
        Call c{Zvc_ModelTime(), status ? *status : -1, error ? *error : -1,
               images && images[0].data, images && images[1].data,
               images && images[0].data ? images[0].width : 0u, std::this_thread::get_id()};
        {
            std::lock_guard<std::mutex> lock(log->m_);
            log->calls_.push_back(c);
            if (log->closed_)
                ++log->late_;
        }
        log->arrived_.notify_all();
        if (log->inside)
            log->inside(c);
        return 1;
    }

    std::vector<Call> calls()
    {
        std::lock_guard<std::mutex> lock(m_);
        return calls_;
    }
    // Statuses in order, each run of equal ones once.
    std::vector<int32_t> statuses()
    {
        std::vector<int32_t> out;
        for (const Call &c : calls())
            if (out.empty() || out.back() != c.status)
                out.push_back(c.status);
        return out;
    }
    std::size_t size() { return calls().size(); }
    // From now on every callback counts as late.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_);
        closed_ = true;
    }
    int late()
    {
        std::lock_guard<std::mutex> lock(m_);
        return late_;
    }
    // For captures on scaled time: returns once `count` callbacks came.
    bool waitFor(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_);
        return arrived_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return calls_.size() >= count; });
    }

    std::function<void(const Call &)> inside; // runs inside the callback

private:
    std::mutex m_;
    std::condition_variable arrived_;
    std::vector<Call> calls_;
    bool closed_ = false;
    int late_ = 0;
};

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

    // Opens, initialises and starts a capture of both eyes (or the one eye
    // of a monocular camera), whoever the test put in front.
    static ZephHandle startCapture(const char *name, FrameLog &log, int32_t mode = 1,
                                   int32_t count = 3, int32_t operation = ZEPH_OPERATION_AUTO)
    {
        const ZephHandle h = openOk(name);
        EXPECT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
        const int32_t eye = std::string(name) == kMono ? ZEPH_EYE_UNKNOWN : ZEPH_EYE_BOTH;
        EXPECT_EQ(Zeph_StartCapture(h, mode, count, ZEPH_QUALITY_NORMAL, operation, eye, 1,
                                    &FrameLog::record, &log),
                  ZEPH_OK);
        return h;
    }

    static std::vector<std::string> journalLines(int32_t from = 0)
    {
        std::vector<std::string> out;
        char line[160];
        for (int32_t i = from; i < Zvc_JournalSize(); ++i) {
            Zvc_JournalLine(i, line, sizeof line);
            out.emplace_back(line);
        }
        return out;
    }

    std::string stateDir_;
};

} // namespace vcamtest

#endif
