// Faults and recovery: stuck links, recovery steps and the notifications
// they cause, unplug and plug, injected results and call counting.
#include "VcamFixture.h"

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using vcamtest::EventLog;
using vcamtest::VcamTest;

namespace {

const char *const kBino = ZVC_DEFAULT_USB_BINOCULAR;
const char *const kMono = ZVC_DEFAULT_USB_MONOCULAR;

using Events = std::vector<EventLog::Event>;

ZephResult infoResult(ZephHandle h)
{
    ZephDeviceInfo info{};
    return Zeph_GetDeviceInfo(h, &info);
}

} // namespace

using Faults = VcamTest;

TEST_F(Faults, StuckLinkClearsOnlyWithAHeavyEnoughStep)
{
    struct Case {
        ZephResult fault;
        int32_t clearingStep;
        int32_t step;
        bool cleared;
    } cases[] = {
        {ZEPH_ERR_IO_TIMEOUT, ZEPH_RECOVERY_RESET_PIPES, ZEPH_RECOVERY_CANCEL_IO, false},
        {ZEPH_ERR_IO_TIMEOUT, ZEPH_RECOVERY_RESET_PIPES, ZEPH_RECOVERY_RESET_PIPES, true},
        {ZEPH_ERR_IO_TIMEOUT, ZEPH_RECOVERY_RESET_PIPES, ZEPH_RECOVERY_RESET_PORT, true},
        {ZEPH_ERR_IO_INVALID, ZEPH_RECOVERY_CANCEL_IO, ZEPH_RECOVERY_CANCEL_IO, true},
        {ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_CYCLE_PORT, ZEPH_RECOVERY_RESET_PORT, false},
        {ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_CYCLE_PORT, ZEPH_RECOVERY_CYCLE_PORT, true},
        {ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET, ZEPH_RECOVERY_CYCLE_PORT, false},
        {ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET, ZEPH_RECOVERY_SOFT_RESET, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "fault " << c.fault << " clearing step "
                                        << c.clearingStep << " step " << c.step);
        Zvc_Reset();
        ZephHandle h = openOk(kBino);
        ASSERT_EQ(Zvc_SetStuckLink(kBino, c.fault, c.clearingStep), ZEPH_OK);
        EXPECT_EQ(infoResult(h), c.fault);
        int32_t status = 0;
        EXPECT_EQ(Zeph_GetCaptureStatus(h, &status), c.fault);
        EXPECT_EQ(infoResult(openOk(kMono)), ZEPH_OK) << "only the stuck device";

        EXPECT_EQ(Zeph_Recovery(h, c.step), ZEPH_OK) << "the step itself succeeds";
        if (c.step >= ZEPH_RECOVERY_CYCLE_PORT) {
            EXPECT_EQ(infoResult(h), ZEPH_ERR_INVALID_HANDLE);
            Zeph_CloseDevice(h);
            h = openOk(kBino);
        }
        EXPECT_EQ(infoResult(h), c.cleared ? ZEPH_OK : c.fault);
    }
}

TEST_F(Faults, StuckLinkBelongsToTheDeviceNotTheHandle)
{
    ZephHandle h = openOk(kBino);
    ASSERT_EQ(Zvc_SetStuckLink(kBino, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK) << "closing still releases the handle";
    h = openOk(kBino);
    EXPECT_EQ(infoResult(h), ZEPH_ERR_IO_FAILED) << "outlives close and re-open";

    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK);
    ASSERT_EQ(Zvc_PlugDevice(kBino), ZEPH_OK);
    Zeph_CloseDevice(h);
    EXPECT_EQ(infoResult(openOk(kBino)), ZEPH_OK) << "a replug powers the camera up again";
}

TEST_F(Faults, StuckLinkArgumentsAreChecked)
{
    struct Case {
        const char *name;
        ZephResult fault;
        int32_t step;
        ZephResult result;
    } cases[] = {
        {kBino, ZEPH_ERR_IO_TIMEOUT, 1, ZEPH_OK},
        {kBino, ZEPH_OK, 0, ZEPH_OK},
        {kBino, ZEPH_ERR_FAILED, 1, ZEPH_ERR_INVALID_PARAMETER},
        {kBino, ZEPH_ERR_IO_TIMEOUT, -1, ZEPH_ERR_INVALID_PARAMETER},
        {kBino, ZEPH_ERR_IO_TIMEOUT, 5, ZEPH_ERR_INVALID_PARAMETER},
        {"NOBODY", ZEPH_ERR_IO_TIMEOUT, 1, ZEPH_ERR_DEVICE_NOT_FOUND},
        {nullptr, ZEPH_ERR_IO_TIMEOUT, 1, ZEPH_ERR_DEVICE_NOT_FOUND},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Zvc_SetStuckLink(c.name, c.fault, c.step), c.result);
    EXPECT_EQ(infoResult(openOk(kBino)), ZEPH_OK) << "result 0 cleared the fault";
}

TEST_F(Faults, RecoveryStepsNotifyAndDropTheHandleWhenTheDeviceLeavesTheBus)
{
    struct Case {
        int32_t step;
        int64_t modelledMs;
        bool leavesBus;
    } cases[] = {
        {ZEPH_RECOVERY_CANCEL_IO, 10, false}, {ZEPH_RECOVERY_RESET_PIPES, 50, false},
        {ZEPH_RECOVERY_RESET_PORT, 200, false}, {ZEPH_RECOVERY_CYCLE_PORT, 300, true},
        {ZEPH_RECOVERY_SOFT_RESET, 500, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.step);
        Zvc_Reset();
        EventLog log;
        Zvc_SetNotificationCallback(&EventLog::record, &log);
        const ZephHandle h = openOk(kBino);
        const ZephHandle other = openOk(kMono);
        EXPECT_EQ(Zeph_Recovery(h, c.step), ZEPH_OK);
        EXPECT_EQ(Zvc_ModelledMilliseconds(), c.modelledMs);
        Zvc_FlushNotifications();
        const Events expected = c.leavesBus
                                    ? Events{{ZVC_EVENT_REMOVAL_COMPLETE, kBino},
                                             {ZVC_EVENT_ARRIVAL, kBino}}
                                    : Events{};
        EXPECT_EQ(log.events(), expected);
        EXPECT_EQ(infoResult(h), c.leavesBus ? ZEPH_ERR_INVALID_HANDLE : ZEPH_OK);
        EXPECT_EQ(infoResult(other), ZEPH_OK);
        if (c.leavesBus) {
            EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_ERR_INVALID_HANDLE);
            EXPECT_EQ(infoResult(openOk(kBino)), ZEPH_OK) << "back at once at time scale 0";
        }
        Zvc_SetNotificationCallback(nullptr, nullptr);
    }
}

TEST_F(Faults, RecoveryArgumentsAreChecked)
{
    const ZephHandle h = openOk(kBino);
    EXPECT_EQ(Zeph_Recovery(h, -1), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_Recovery(h, 5), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_Recovery(h + 77, 1), ZEPH_ERR_INVALID_HANDLE);
    useLink(ZEPH_COMM_UART);
    const ZephHandle serial = openOk(ZVC_DEFAULT_UART_PORT);
    EXPECT_EQ(Zeph_Recovery(serial, 1), ZEPH_ERR_UNSUPPORTED) << "USB-level steps only";
}

TEST_F(Faults, UnplugLosesTheHandleAndPlugBringsTheDeviceBack)
{
    EventLog log;
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    const ZephHandle h = openOk(kBino);
    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK);
    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK) << "already out: nothing happens";
    EXPECT_EQ(infoResult(h), ZEPH_ERR_IO_FAILED);
    ZephHandle again = 0;
    EXPECT_EQ(Zeph_OpenDevice(kBino, &again), ZEPH_ERR_DEVICE_NOT_FOUND);

    ASSERT_EQ(Zvc_PlugDevice(kBino), ZEPH_OK);
    ASSERT_EQ(Zvc_PlugDevice(kBino), ZEPH_OK);
    EXPECT_EQ(infoResult(h), ZEPH_ERR_IO_FAILED) << "the old handle stays dead";
    again = openOk(kBino);
    EXPECT_EQ(infoResult(again), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK) << "closing releases a lost handle";
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_ERR_INVALID_HANDLE);

    EXPECT_EQ(Zvc_UnplugDevice("NOBODY"), ZEPH_ERR_DEVICE_NOT_FOUND);
    EXPECT_EQ(Zvc_PlugDevice(nullptr), ZEPH_ERR_DEVICE_NOT_FOUND);
    EXPECT_EQ(log.events(),
              (Events{{ZVC_EVENT_REMOVAL_COMPLETE, kBino}, {ZVC_EVENT_ARRIVAL, kBino}}));
}

namespace {

// What the program does on a removal: ask the open device whether it still answers.
struct Prober {
    ZephHandle handle = 0;
    std::vector<ZephResult> answers;
    static void onEvent(void *context, int32_t event, const char *)
    {
        auto *p = static_cast<Prober *>(context);
        if (event != ZVC_EVENT_REMOVAL_COMPLETE)
            return;
        int32_t status = 0;
        p->answers.push_back(Zeph_GetCaptureStatus(p->handle, &status));
    }
};

} // namespace

TEST_F(Faults, CallbacksMayCallBackIntoTheLibrary)
{
    Prober prober;
    Zvc_SetNotificationCallback(&Prober::onEvent, &prober);
    prober.handle = openOk(kBino);
    ASSERT_EQ(Zvc_UnplugDevice(kMono), ZEPH_OK); // another device: ours still answers
    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK);
    Zvc_PlugDevice(kBino);
    Zeph_CloseDevice(prober.handle);
    prober.handle = openOk(kBino);
    ASSERT_EQ(Zeph_Recovery(prober.handle, ZEPH_RECOVERY_CYCLE_PORT), ZEPH_OK);
    Zvc_FlushNotifications();
    EXPECT_EQ(prober.answers, (std::vector<ZephResult>{ZEPH_OK, ZEPH_ERR_IO_FAILED,
                                                       ZEPH_ERR_INVALID_HANDLE}));
}

TEST_F(Faults, NoNotificationsAfterTheCallbackIsRemoved)
{
    EventLog log;
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    const ZephHandle h = openOk(kBino);
    ASSERT_EQ(Zeph_Recovery(h, ZEPH_RECOVERY_SOFT_RESET), ZEPH_OK);
    Zvc_SetNotificationCallback(nullptr, nullptr);
    const std::size_t seen = log.events().size();
    Zvc_UnplugDevice(kMono);
    Zvc_FlushNotifications();
    EXPECT_EQ(log.events().size(), seen);
}

TEST_F(Faults, ResetDropsNotificationsNotYetSent)
{
    // At this scale the cycle's own pause (300 ms) lasts five minutes and the
    // device stays off the bus for thirteen; lowering the scale cuts short a
    // pause in progress, so nothing here waits.
    Zvc_SetTimeScale(1000.0);
    EventLog log;
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    const ZephHandle h = openOk(kBino);
    ZephResult stepResult = -1;
    std::thread step([&] { stepResult = Zeph_Recovery(h, ZEPH_RECOVERY_CYCLE_PORT); });
    ASSERT_TRUE(log.waitFor(1)) << "the removal is sent at once";
    ZephHandle again = 0;
    EXPECT_EQ(Zeph_OpenDevice(kBino, &again), ZEPH_ERR_DEVICE_NOT_FOUND) << "off the bus";
    Zvc_Reset(); // drops the pending arrival
    Zvc_SetTimeScale(0.0);
    step.join();
    EXPECT_EQ(stepResult, ZEPH_OK);
    Zvc_FlushNotifications();
    EXPECT_EQ(log.events(), (Events{{ZVC_EVENT_REMOVAL_COMPLETE, kBino}}));
    EXPECT_NE(openOk(kBino), 0u) << "the reset device is on the bus";
}

TEST_F(Faults, FailNextCountsDownPerFunction)
{
    struct Step {
        const char *call;
        ZephResult result;
    };
    struct Case {
        const char *what;
        std::function<void()> arm;
        std::vector<Step> steps;
    } cases[] = {
        {"two timeouts then success",
         [] { Zvc_FailNext("Zeph_GetDeviceInfo", 2, ZEPH_ERR_IO_TIMEOUT); },
         {{"info", ZEPH_ERR_IO_TIMEOUT}, {"config", ZEPH_OK}, {"info", ZEPH_ERR_IO_TIMEOUT},
          {"info", ZEPH_OK}}},
        {"star hits any call on a handle but close",
         [] { Zvc_FailNext("*", 2, ZEPH_ERR_IO_FAILED); },
         {{"close spare", ZEPH_OK}, {"status", ZEPH_ERR_IO_FAILED}, {"scan", ZEPH_OK},
          {"info", ZEPH_ERR_IO_FAILED}, {"info", ZEPH_OK}}},
        {"the function's own fault goes first",
         [] {
             Zvc_FailNext("*", 1, ZEPH_ERR_IO_FAILED);
             Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_IO_INVALID);
         },
         {{"info", ZEPH_ERR_IO_INVALID}, {"info", ZEPH_ERR_IO_FAILED}, {"info", ZEPH_OK}}},
        {"count 0 clears",
         [] {
             Zvc_FailNext("Zeph_GetDeviceInfo", 5, ZEPH_ERR_IO_TIMEOUT);
             Zvc_FailNext("Zeph_GetDeviceInfo", 0, ZEPH_ERR_IO_TIMEOUT);
         },
         {{"info", ZEPH_OK}}},
        {"unknown names change nothing",
         [] { Zvc_FailNext("Zeph_NoSuchCall", 5, ZEPH_ERR_IO_TIMEOUT); }, {{"info", ZEPH_OK}}},
        {"calls without a handle",
         [] {
             Zvc_FailNext("Zeph_ScanDevices", 1, ZEPH_ERR_FAILED);
             Zvc_FailNext("Zeph_SetSdkConfig", 1, ZEPH_ERR_INVALID_PARAMETER);
         },
         {{"scan", ZEPH_ERR_FAILED}, {"setsdk", ZEPH_ERR_INVALID_PARAMETER}, {"scan", ZEPH_OK},
          {"setsdk", ZEPH_OK}}},
        {"functions not built yet",
         [] { Zvc_FailNext("Zeph_Login", 1, ZEPH_ERR_PERMISSION_DENIED); },
         {{"login", ZEPH_ERR_PERMISSION_DENIED}, {"login", ZEPH_ERR_UNSUPPORTED}}},
        {"a failed close keeps the handle",
         [] { Zvc_FailNext("Zeph_CloseDevice", 1, ZEPH_ERR_IO_FAILED); },
         {{"close", ZEPH_ERR_IO_FAILED}, {"info", ZEPH_OK}, {"close", ZEPH_OK},
          {"info", ZEPH_ERR_INVALID_HANDLE}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        const ZephHandle h = openOk(kBino);
        const ZephHandle spare = openOk(kMono);
        c.arm();
        for (const Step &s : c.steps) {
            SCOPED_TRACE(s.call);
            const std::string call = s.call;
            ZephResult r = -1;
            ZephDeviceConfig config{};
            ZephSdkConfig sdk{1, 0, 115200, 0, 1};
            int32_t status = 0;
            if (call == "info")
                r = infoResult(h);
            else if (call == "config")
                r = Zeph_GetDeviceConfig(h, &config);
            else if (call == "status")
                r = Zeph_GetCaptureStatus(h, &status);
            else if (call == "scan") {
                const char *const *names = nullptr;
                int32_t count = 0;
                r = Zeph_ScanDevices(&names, &count);
            }
            else if (call == "setsdk")
                r = Zeph_SetSdkConfig(&sdk);
            else if (call == "login")
                r = Zeph_Login(h, "ADMIN", 0);
            else if (call == "close")
                r = Zeph_CloseDevice(h);
            else if (call == "close spare")
                r = Zeph_CloseDevice(spare);
            EXPECT_EQ(r, s.result);
        }
    }
}

TEST_F(Faults, InjectedResultsLeaveOutputsUntouched)
{
    const ZephHandle h = openOk(kBino);
    Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_OK);
    ZephDeviceInfo info;
    std::memset(&info, 0xAB, sizeof info);
    const ZephDeviceInfo before = info;
    EXPECT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);

    Zvc_FailNext("Zeph_OpenDevice", 1, ZEPH_ERR_IO_TIMEOUT);
    ZephHandle out = 0x1234;
    EXPECT_EQ(Zeph_OpenDevice(kMono, &out), ZEPH_ERR_IO_TIMEOUT);
    EXPECT_EQ(out, 0x1234u);
    EXPECT_NE(openOk(kMono), 0u);
}

TEST_F(Faults, EveryCallIsCounted)
{
    const ZephHandle h = openOk(kBino);
    Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_ERR_IO_TIMEOUT);
    infoResult(h);
    infoResult(h);
    infoResult(0);
    Zeph_GetSdkVersion();
    Zeph_Login(h, "X", 0);
    struct Case {
        const char *function;
        int32_t count;
    } cases[] = {
        {"Zeph_OpenDevice", 1}, {"Zeph_GetDeviceInfo", 3}, {"Zeph_GetSdkVersion", 1},
        {"Zeph_Login", 1},      {"Zeph_CloseDevice", 0},   {"*", 6},
        {"Zeph_Nothing", 0},    {nullptr, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Zvc_CallCount(c.function), c.count) << (c.function ? c.function : "null");
    Zvc_ResetCallCounts();
    EXPECT_EQ(Zvc_CallCount("*"), 0);
    infoResult(h);
    Zvc_Reset();
    EXPECT_EQ(Zvc_CallCount("Zeph_GetDeviceInfo"), 0);
}

TEST_F(Faults, ResetRestoresTheDefaultBench)
{
    ASSERT_EQ(Zvc_AddDevice("ZEPH-USB-EXTRA", ZVC_LINK_USB, ZVC_MODEL_BINOCULAR), ZEPH_OK);
    ASSERT_EQ(Zvc_RemoveAllDevices(), ZEPH_OK);
    EXPECT_TRUE(scan().empty());
    Zvc_SetTimeScale(0.5);
    Zvc_Reset();
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, kMono}));
    EXPECT_EQ(Zvc_TimeScale(), 0.5) << "the time scale is kept";
    Zvc_SetTimeScale(0.0);
}

TEST_F(Faults, BenchDeviceArgumentsAreChecked)
{
    struct Case {
        const char *name;
        int32_t link;
        int32_t model;
        ZephResult result;
    } cases[] = {
        {"ZEPH-USB-NEW", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_OK},
        {"COM9", ZVC_LINK_UART, ZVC_MODEL_BINOCULAR, ZEPH_OK},
        {"COM10", ZVC_LINK_UART, ZVC_MODEL_BUSY_PORT, ZEPH_OK},
        {kBino, ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"com3", ZVC_LINK_UART, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"COM11", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"SERIAL", ZVC_LINK_UART, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"ZEPH-X", 3, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"ZEPH-Y", ZVC_LINK_USB, 0, ZEPH_ERR_INVALID_PARAMETER},
        {"", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {nullptr, ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
    };
    EventLog log;
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    for (const Case &c : cases)
        EXPECT_EQ(Zvc_AddDevice(c.name, c.link, c.model), c.result) << (c.name ? c.name : "null");
    EXPECT_EQ(log.events(), (Events{{ZVC_EVENT_ARRIVAL, "ZEPH-USB-NEW"},
                                    {ZVC_EVENT_ARRIVAL, "COM9"},
                                    {ZVC_EVENT_ARRIVAL, "COM10"}}));
    useLink(ZEPH_COMM_UART);
    ZephHandle h = 0;
    EXPECT_EQ(Zeph_OpenDevice("COM9", &h), ZEPH_OK);
    EXPECT_EQ(Zeph_OpenDevice("COM10", &h), ZEPH_ERR_ACCESS_DENIED);
}
