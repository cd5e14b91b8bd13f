// Sleep on model time: by command or after the idle time, what the next
// calls answer on each link, what wakes the camera, and a capture holding
// it awake.
#include "VcamFixture.h"

using namespace vcamtest;

namespace {

class Power : public VcamTest {
protected:
    static int32_t state(const char *name)
    {
        int32_t s = -1;
        EXPECT_EQ(Zvc_SleepState(name, &s), ZEPH_OK);
        return s;
    }
    static void configure(ZephHandle h, uint16_t timeout, uint8_t mode, uint8_t interrupt = 0)
    {
        ASSERT_EQ(changeConfig(h,
                               [&](ZephDeviceConfig &c) {
                                   c.sleepTimeout = timeout;
                                   c.sleepMode = mode;
                                   c.deepSleepInterrupt = interrupt;
                               }),
                  ZEPH_OK);
    }
    static ZephResult statusOf(ZephHandle h)
    {
        int32_t status = -1;
        return Zeph_GetCaptureStatus(h, &status);
    }
};

} // namespace

TEST_F(Power, EveryWayToSleepAndToWakeUp)
{
    const char *const com = ZVC_DEFAULT_UART_PORT;
    const struct Case {
        const char *what;
        const char *device;
        uint16_t timeout; // seconds of idle time; 0: by command
        int32_t mode;
        uint8_t interrupt;
        ZephResult answer; // of every call until woken
    } cases[] = {
        // commanded standby, sleep and USB deep sleep: tests/admin/tst_powermanagement
        {"automatic standby", kBino, 10, ZEPH_SLEEP_STANDBY, 0, ZEPH_OK},
        {"automatic USB deep sleep too", kBino, 30, ZEPH_SLEEP_DEEP, 0, ZEPH_ERR_IO_FAILED},
        {"USB deep sleep, interrupt armed", kBino, 0, ZEPH_SLEEP_DEEP, 1, ZEPH_OK},
        {"serial deep sleep keeps the handle", com, 0, ZEPH_SLEEP_DEEP, 0, ZEPH_ERR_IO_TIMEOUT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        EventLog events;
        Zvc_SetNotificationCallback(&EventLog::record, &events);
        const bool usb = c.device == kBino;
        useLink(usb ? ZEPH_COMM_USB : ZEPH_COMM_UART);
        ZephHandle h = openOk(c.device);
        configure(h, c.timeout, c.timeout ? c.mode : ZEPH_SLEEP_SLEEP, c.interrupt);
        if (c.timeout) {
            Zvc_AdvanceTime(c.timeout * 1000 - 1);
            EXPECT_EQ(state(c.device), 0);
            Zvc_AdvanceTime(1);
        } else {
            ASSERT_EQ(Zeph_SleepDevice(h, c.mode, 0), ZEPH_OK);
        }
        EXPECT_EQ(state(c.device), c.mode) << "the bench sees it asleep without a call";
        EXPECT_EQ(statusOf(h), c.answer);
        if (c.answer == ZEPH_OK) {
            EXPECT_EQ(state(c.device), 0) << "the call woke it";
            EXPECT_TRUE(events.events().empty()) << "never left the bus";
            Zvc_SetNotificationCallback(nullptr, nullptr);
            continue;
        }
        EXPECT_EQ(infoResult(h), c.answer);
        EXPECT_EQ(state(c.device), c.mode) << "still asleep";
        ZephHandle again = 0;
        if (usb) {
            EXPECT_EQ(events.events(), (Events{{ZVC_EVENT_REMOVAL_COMPLETE, kBino}}));
            EXPECT_EQ(scan(), std::vector<std::string>{kMono});
            EXPECT_EQ(Zeph_OpenDevice(kBino, &again), ZEPH_ERR_DEVICE_NOT_FOUND);
        }
        ASSERT_EQ(Zvc_WakeDevice(c.device), ZEPH_OK);
        if (usb) {
            EXPECT_EQ(events.events().back(), (Event{ZVC_EVENT_ARRIVAL, kBino}));
            EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_FAILED) << "the old handle stays lost";
            EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
            h = openOk(kBino);
        }
        EXPECT_EQ(statusOf(h), ZEPH_OK);
        Zvc_SetNotificationCallback(nullptr, nullptr);
    }
}

TEST_F(Power, TheIdleTimeCountsFromTheLastCallAndArgumentsAreChecked)
{
    const ZephHandle h = openOk(kBino);
    configure(h, 10, ZEPH_SLEEP_STANDBY);
    Zvc_AdvanceTime(6000);
    EXPECT_EQ(infoResult(h), ZEPH_OK);
    Zvc_AdvanceTime(6000);
    EXPECT_EQ(state(kBino), 0);
    Zvc_AdvanceTime(4000);
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_STANDBY);

    configure(h, 0, ZEPH_SLEEP_SLEEP); // woken by the call, then off for good
    Zvc_AdvanceTime(24 * 3600 * 1000);
    EXPECT_EQ(state(kBino), 0);

    EXPECT_EQ(Zeph_SleepDevice(h, 3, 0), ZEPH_ERR_INVALID_PARAMETER);
}

// A capture longer than the timeout must not leave the camera asleep (in
// deep sleep: refusing) under the calls that fetch its results.
TEST_F(Power, ACaptureHoldsTheCameraAwake)
{
    useLink(ZEPH_COMM_UART);
    const char *const com = ZVC_DEFAULT_UART_PORT;
    const ZephHandle setup = openOk(com);
    configure(setup, 10, ZEPH_SLEEP_DEEP);
    ASSERT_EQ(Zeph_CloseDevice(setup), ZEPH_OK);
    FrameLog log;
    const ZephHandle h = startCapture(com, log); // nobody in front: ABORT after 10 s
    Zvc_AdvanceTime(12000);                      // nobody looks while it runs
    EXPECT_EQ(state(com), 0) << "ended just now";
    int32_t status = -1;
    EXPECT_EQ(Zeph_GetCaptureStatus(h, &status), ZEPH_OK);
    EXPECT_EQ(status, ZEPH_STATUS_ABORT);
    Zvc_AdvanceTime(10000);
    EXPECT_EQ(state(com), ZEPH_SLEEP_DEEP);
    EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_TIMEOUT);
    ASSERT_EQ(Zvc_WakeDevice(com), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
}
