// Shared set-up of the virtual camera tests: a fresh library, time scale 0
// and a state folder of the test's own inside the test program's folder.
#ifndef TESTS_ZEPH_VCAMFIXTURE_H
#define TESTS_ZEPH_VCAMFIXTURE_H

#include "zeph/virtual_camera.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vcamtest {

inline const char *const kBino = ZVC_DEFAULT_USB_BINOCULAR;
inline const char *const kMono = ZVC_DEFAULT_USB_MONOCULAR;

// Keeps what the library's callbacks hand over, from any thread.
template <typename T>
class Recorder {
public:
    std::vector<T> items()
    {
        std::lock_guard<std::mutex> lock(m_);
        return items_;
    }
    std::size_t size() { return items().size(); }

    // Returns as soon as `count` items are in; the limit only guards
    // against a hang when they never come.
    bool waitFor(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_);
        return arrived_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return items_.size() >= count; });
    }

    std::function<void(const T &)> inside; // runs inside the callback

protected:
    void add(const T &item)
    {
        {
            std::lock_guard<std::mutex> lock(m_);
            items_.push_back(item);
        }
        arrived_.notify_all();
        if (inside)
            inside(item);
    }

private:
    std::mutex m_;
    std::condition_variable arrived_;
    std::vector<T> items_;
};

using Event = std::pair<int32_t, std::string>;
using Events = std::vector<Event>;

class EventLog : public Recorder<Event> {
public:
    static void record(void *context, int32_t event, const char *name)
    {
        static_cast<EventLog *>(context)->add({event, name ? name : ""});
    }
    Events events() { return items(); }
};

// One frame callback: what came, when in model time and on which thread.
struct Frame {
    int64_t modelMs;
    int32_t status;
    int32_t error;
    bool right;
    bool left;
    uint32_t width;
    int32_t format[2]; // of each eye's image; -1: none, 0: one without a size
    std::thread::id thread;
};

class FrameLog : public Recorder<Frame> {
public:
    static int32_t record(void *context, const ZephImage *images, int32_t, const int32_t *status,
                          const int32_t *error)
    {
        const bool right = images && images[0].data;
        const auto formatOf = [images](int i) {
            const ZephImage *im = images && images[i].data ? &images[i] : nullptr;
            return !im ? -1 : im->size && im->width && im->height ? im->format : 0;
        };
        static_cast<FrameLog *>(context)->add({Zvc_ModelTime(), status ? *status : -1,
                                               error ? *error : -1, right, images && images[1].data,
                                               right ? images[0].width : 0u,
                                               {formatOf(0), formatOf(1)},
                                               std::this_thread::get_id()});
        return 1;
    }
    // Statuses in order, each run of equal ones once.
    std::vector<int32_t> statuses()
    {
        std::vector<int32_t> out;
        for (const Frame &f : items())
            if (out.empty() || out.back() != f.status)
                out.push_back(f.status);
        return out;
    }
};

class VcamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *env = std::getenv("ZEPH_VIRTUAL_STATE_DIR");
        const std::string base = env && *env ? std::string(env) : ::testing::TempDir() + "zvc-tests";
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        stateDir_ = base + "/" + info->test_suite_name() + "." + info->name();
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

    static ZephResult changeConfig(ZephHandle h, const std::function<void(ZephDeviceConfig &)> &change)
    {
        ZephDeviceConfig c{};
        EXPECT_EQ(Zeph_GetDeviceConfig(h, &c), ZEPH_OK);
        change(c);
        return Zeph_SetDeviceConfig(h, &c);
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

    // Both eyes, or the one eye of a monocular or serial camera.
    static int32_t eyesOf(const char *name)
    {
        const bool oneEye = std::string(name) == kMono || std::strncmp(name, "COM", 3) == 0;
        return oneEye ? ZEPH_EYE_UNKNOWN : ZEPH_EYE_BOTH;
    }

    // Opens, initialises and starts a capture, whoever the test put in front.
    static ZephHandle startCapture(const char *name, FrameLog &log, int32_t mode = 1,
                                   int32_t count = 3, int32_t operation = ZEPH_OPERATION_AUTO)
    {
        const ZephHandle h = openOk(name);
        EXPECT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
        EXPECT_EQ(Zeph_StartCapture(h, mode, count, ZEPH_QUALITY_NORMAL, operation, eyesOf(name), 1,
                                    &FrameLog::record, &log),
                  ZEPH_OK);
        return h;
    }

    // One completed capture of `subject` on an open handle, without a callback.
    static void capture(const char *name, ZephHandle h, uint32_t subject,
                        int32_t rightEye = ZVC_EYE_SHARP)
    {
        Zvc_PresentSubject(name, subject);
        Zvc_PresentEye(name, ZEPH_EYE_RIGHT, rightEye);
        Zvc_PresentEye(name, ZEPH_EYE_LEFT, ZVC_EYE_SHARP);
        ASSERT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
        ASSERT_EQ(Zeph_StartCapture(h, 1, 3, ZEPH_QUALITY_NORMAL, ZEPH_OPERATION_AUTO, eyesOf(name),
                                    0, nullptr, nullptr),
                  ZEPH_OK);
        Zvc_AdvanceTime(20000);
        int32_t status = -1;
        Zeph_GetCaptureStatus(h, &status);
        ASSERT_EQ(status, ZEPH_STATUS_COMPLETE);
    }

    std::string stateDir_;
};

} // namespace vcamtest

#endif
