// Several threads on the library at once, as the program's GUI thread and
// pool threads use it, while devices come and go and notifications run.
// Meant to be run under the thread and address sanitizers as well.
#include "VcamFixture.h"

#include <atomic>
#include <thread>

namespace {

constexpr int kRounds = 300;

struct Tally {
    std::atomic<int> events{0};
    std::atomic<ZephHandle> watched{0};
    std::atomic<int> unexpected{0};
};

void onEvent(void *context, int32_t, const char *)
{
    auto *t = static_cast<Tally *>(context);
    t->events.fetch_add(1);
    int32_t status = 0;
    const ZephResult r = Zeph_GetCaptureStatus(t->watched.load(), &status);
    if (r != ZEPH_OK && r != ZEPH_ERR_IO_FAILED && r != ZEPH_ERR_INVALID_HANDLE)
        t->unexpected.fetch_add(1);
}

void expect(Tally &t, ZephResult r, ZephResult wanted)
{
    if (r != wanted)
        t.unexpected.fetch_add(1);
}

} // namespace

using Concurrency = vcamtest::VcamTest;

TEST_F(Concurrency, ThreadsHammeringTheModelKeepItConsistent)
{
    ASSERT_EQ(Zvc_AddDevice("ZEPH-USB-HOT", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR), ZEPH_OK);
    ASSERT_EQ(Zvc_AddDevice("ZEPH-USB-CYCLE", ZVC_LINK_USB, ZVC_MODEL_BINOCULAR), ZEPH_OK);
    Tally tally;
    Zvc_SetNotificationCallback(&onEvent, &tally);

    auto configWorker = [&](const char *name) {
        for (int i = 0; i < kRounds; ++i) {
            ZephHandle h = 0;
            expect(tally, Zeph_OpenDevice(name, &h), ZEPH_OK);
            ZephDeviceInfo info{};
            expect(tally, Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
            ZephDeviceConfig c{};
            expect(tally, Zeph_GetDeviceConfig(h, &c), ZEPH_OK);
            c.sleepTimeout = static_cast<uint16_t>(i % 2 ? 0 : 60);
            if (i % 50 == 0) // every write reaches the disk: keep them few
                expect(tally, Zeph_SetDeviceConfig(h, &c), ZEPH_OK);
            expect(tally, Zeph_Recovery(h, ZEPH_RECOVERY_RESET_PIPES), ZEPH_OK);
            expect(tally, Zeph_CloseDevice(h), ZEPH_OK);
        }
    };
    auto scanner = [&] {
        for (int i = 0; i < kRounds; ++i) {
            const char *const *names = nullptr;
            int32_t count = 0;
            expect(tally, Zeph_ScanDevices(&names, &count), ZEPH_OK);
            ZephSdkConfig sdk{};
            expect(tally, Zeph_GetSdkConfig(&sdk), ZEPH_OK);
            expect(tally, Zeph_SetSdkConfig(&sdk), ZEPH_OK);
        }
    };
    auto hotPlugger = [&] {
        for (int i = 0; i < kRounds; ++i) {
            ZephHandle h = 0;
            expect(tally, Zeph_OpenDevice("ZEPH-USB-HOT", &h), ZEPH_OK);
            tally.watched.store(h);
            expect(tally, Zvc_UnplugDevice("ZEPH-USB-HOT"), ZEPH_OK);
            expect(tally, Zvc_PlugDevice("ZEPH-USB-HOT"), ZEPH_OK);
            expect(tally, Zeph_CloseDevice(h), ZEPH_OK);
        }
    };
    auto cycler = [&] {
        for (int i = 0; i < kRounds; ++i) {
            ZephHandle h = 0;
            expect(tally, Zeph_OpenDevice("ZEPH-USB-CYCLE", &h), ZEPH_OK);
            const int32_t step = i % 2 ? ZEPH_RECOVERY_CYCLE_PORT : ZEPH_RECOVERY_SOFT_RESET;
            expect(tally, Zeph_Recovery(h, step), ZEPH_OK);
            expect(tally, Zeph_CloseDevice(h), ZEPH_ERR_INVALID_HANDLE);
        }
    };

    std::thread threads[] = {std::thread(configWorker, vcamtest::kBino),
                             std::thread(configWorker, vcamtest::kMono), std::thread(scanner),
                             std::thread(hotPlugger), std::thread(cycler)};
    for (auto &t : threads)
        t.join();
    Zvc_FlushNotifications();
    Zvc_SetNotificationCallback(nullptr, nullptr);

    EXPECT_EQ(tally.unexpected.load(), 0);
    EXPECT_EQ(tally.events.load(), 4 * kRounds) << "hot plug: 2 per round, cycle: 2 per round";
    EXPECT_EQ(Zvc_CallCount("Zeph_GetDeviceInfo"), 2 * kRounds);
    EXPECT_EQ(Zvc_CallCount("Zeph_ScanDevices"), kRounds);
    EXPECT_EQ(Zvc_CallCount("Zeph_Recovery"), 3 * kRounds);
}

TEST_F(Concurrency, RemovingTheCallbackWaitsForADeliveryInProgress)
{
    struct Slow {
        std::atomic<bool> inside{false};
        std::atomic<bool> release{false};
        std::atomic<bool> finished{false};
        static void onEvent(void *context, int32_t, const char *)
        {
            auto *s = static_cast<Slow *>(context);
            s->inside.store(true);
            while (!s->release.load())
                std::this_thread::yield();
            s->finished.store(true);
        }
    } slow;
    Zvc_SetNotificationCallback(&Slow::onEvent, &slow);
    std::thread unplug([] { Zvc_UnplugDevice(ZVC_DEFAULT_USB_MONOCULAR); });
    while (!slow.inside.load())
        std::this_thread::yield();
    std::thread remover([] { Zvc_SetNotificationCallback(nullptr, nullptr); });
    // The remover must still be waiting: the callback has not finished.
    std::this_thread::yield();
    EXPECT_FALSE(slow.finished.load());
    slow.release.store(true);
    remover.join();
    EXPECT_TRUE(slow.finished.load()) << "the removal returned only after the callback ended";
    unplug.join();
}
