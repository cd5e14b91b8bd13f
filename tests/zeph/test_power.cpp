// Automatic sleep judged on model time (a capture holds the camera awake,
// the idle time after it counts from its end), and deep sleep with the
// interrupt armed, which a call wakes.

#include "VcamFixture.h"

using namespace vcamtest;

namespace {

class PowerTest : public VcamTest {
protected:
    static int32_t state(const char *name)
    {
        int32_t s = -1;
        EXPECT_EQ(Zvc_SleepState(name, &s), ZEPH_OK);
        return s;
    }
    static void configure(ZephHandle h, uint16_t timeout, uint8_t mode, uint8_t interrupt = 0)
    {
        ZephDeviceConfig c{};
        ASSERT_EQ(Zeph_GetDeviceConfig(h, &c), ZEPH_OK);
        c.sleepTimeout = timeout;
        c.sleepMode = mode;
        c.deepSleepInterrupt = interrupt;
        ASSERT_EQ(Zeph_SetDeviceConfig(h, &c), ZEPH_OK);
    }
    static ZephResult statusOf(ZephHandle h)
    {
        int32_t status = -1;
        return Zeph_GetCaptureStatus(h, &status);
    }
};

// The bench sees the camera fall asleep at its moment, without a call.
TEST_F(PowerTest, AutomaticSleepAtItsMoment)
{
    const ZephHandle h = openOk(kBino);
    configure(h, 10, ZEPH_SLEEP_STANDBY);
    Zvc_AdvanceTime(9999);
    EXPECT_EQ(state(kBino), 0);
    Zvc_AdvanceTime(1);
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_STANDBY);
    EXPECT_EQ(statusOf(h), ZEPH_OK) << "the capture status wakes a sleeping camera";
    EXPECT_EQ(state(kBino), 0);

    Zvc_AdvanceTime(6000);
    EXPECT_EQ(infoResult(h), ZEPH_OK); // the idle time starts again
    Zvc_AdvanceTime(6000);
    EXPECT_EQ(state(kBino), 0);
    Zvc_AdvanceTime(4000);
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_STANDBY);

    configure(h, 0, ZEPH_SLEEP_SLEEP); // woken by the call, then off for good
    Zvc_AdvanceTime(24 * 3600 * 1000);
    EXPECT_EQ(state(kBino), 0);
}

// A capture longer than the timeout must not leave the camera asleep (in
// deep sleep: refusing) under the calls that fetch its results.
TEST_F(PowerTest, CaptureHoldsTheCameraAwake)
{
    useLink(ZEPH_COMM_UART);
    const ZephHandle setup = openOk(ZVC_DEFAULT_UART_PORT);
    configure(setup, 10, ZEPH_SLEEP_DEEP);
    ASSERT_EQ(Zeph_CloseDevice(setup), ZEPH_OK);
    FrameLog log;
    // A one-eye serial camera with nobody in front: ABORT after 10 s.
    const ZephHandle h = openOk(ZVC_DEFAULT_UART_PORT);
    ASSERT_EQ(Zeph_InitCamera(h, nullptr, nullptr), ZEPH_OK);
    ASSERT_EQ(Zeph_StartCapture(h, 1, 3, ZEPH_QUALITY_NORMAL, ZEPH_OPERATION_AUTO,
                                ZEPH_EYE_UNKNOWN, 1, &FrameLog::record, &log),
              ZEPH_OK);
    Zvc_AdvanceTime(12000); // nobody looks while it runs
    EXPECT_EQ(state(ZVC_DEFAULT_UART_PORT), 0) << "ended just now";
    int32_t status = -1;
    EXPECT_EQ(Zeph_GetCaptureStatus(h, &status), ZEPH_OK);
    EXPECT_EQ(status, ZEPH_STATUS_ABORT);
    Zvc_AdvanceTime(10000);
    EXPECT_EQ(state(ZVC_DEFAULT_UART_PORT), ZEPH_SLEEP_DEEP);
    EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_TIMEOUT);
    ASSERT_EQ(Zvc_WakeDevice(ZVC_DEFAULT_UART_PORT), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
}

// With the interrupt armed, deep sleep keeps the camera on the bus and the
// next call wakes it, on either link.
TEST_F(PowerTest, DeepSleepInterruptLetsACallWakeIt)
{
    EventLog events;
    Zvc_SetNotificationCallback(&EventLog::record, &events);
    const ZephHandle h = openOk(kBino);
    configure(h, 0, ZEPH_SLEEP_SLEEP, 1);
    ASSERT_EQ(Zeph_SleepDevice(h, ZEPH_SLEEP_DEEP, 0), ZEPH_OK);
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_DEEP);
    EXPECT_EQ(statusOf(h), ZEPH_OK);
    EXPECT_EQ(state(kBino), 0);
    EXPECT_TRUE(events.events().empty()) << "never left the bus";

    useLink(ZEPH_COMM_UART);
    const ZephHandle com = openOk(ZVC_DEFAULT_UART_PORT);
    configure(com, 20, ZEPH_SLEEP_DEEP, 1);
    Zvc_AdvanceTime(20000);
    EXPECT_EQ(state(ZVC_DEFAULT_UART_PORT), ZEPH_SLEEP_DEEP);
    EXPECT_EQ(infoResult(com), ZEPH_OK);
    EXPECT_EQ(state(ZVC_DEFAULT_UART_PORT), 0);

    // Disarmed again: only the signal wakes it.
    configure(com, 0, ZEPH_SLEEP_SLEEP, 0);
    ASSERT_EQ(Zeph_SleepDevice(com, ZEPH_SLEEP_DEEP, 0), ZEPH_OK);
    EXPECT_EQ(infoResult(com), ZEPH_ERR_IO_TIMEOUT);
    ASSERT_EQ(Zvc_WakeDevice(ZVC_DEFAULT_UART_PORT), ZEPH_OK);
    EXPECT_EQ(infoResult(com), ZEPH_OK);
}

// Automatic deep sleep on USB is the command's deep sleep: off the bus, the
// handle lost, back only with the wake-up signal, to be opened again.
TEST_F(PowerTest, AutomaticDeepSleepOnUsbLeavesTheBus)
{
    EventLog events;
    Zvc_SetNotificationCallback(&EventLog::record, &events);
    const ZephHandle h = openOk(kBino);
    configure(h, 30, ZEPH_SLEEP_DEEP);
    Zvc_AdvanceTime(30000);
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_DEEP);
    EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_FAILED);
    EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_FAILED);
    EXPECT_EQ(events.events(), (Events{{ZVC_EVENT_REMOVAL_COMPLETE, kBino}}));
    EXPECT_EQ(state(kBino), ZEPH_SLEEP_DEEP) << "still asleep off the bus";
    EXPECT_EQ(scan(), (std::vector<std::string>{kMono}));
    ASSERT_EQ(Zvc_WakeDevice(kBino), ZEPH_OK);
    EXPECT_EQ(events.events().back(), (EventLog::Event{ZVC_EVENT_ARRIVAL, kBino}));
    EXPECT_EQ(statusOf(h), ZEPH_ERR_IO_FAILED) << "the old handle stays lost";
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
    EXPECT_EQ(statusOf(openOk(kBino)), ZEPH_OK);
}

TEST_F(PowerTest, StateQueryArguments)
{
    int32_t s = 0;
    EXPECT_EQ(Zvc_SleepState("NO-SUCH-DEVICE", &s), ZEPH_ERR_DEVICE_NOT_FOUND);
    EXPECT_EQ(Zvc_SleepState(kBino, nullptr), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zvc_WakeDevice(kBino), ZEPH_OK) << "waking an awake camera changes nothing";
    EXPECT_EQ(state(kBino), 0);
}

} // namespace
