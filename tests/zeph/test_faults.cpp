// Faults: stuck links, unplug and plug, injected results, lying outputs, the
// call journal and counting. What each recovery step does to a stuck link is
// driven through the program by tests/admin/tst_recovery.
#include "VcamFixture.h"

#include <map>

using namespace vcamtest;
using Faults = VcamTest;

TEST_F(Faults, StuckLinkBelongsToTheDeviceAndItsArgumentsAreChecked)
{
    ZephHandle h = openOk(kBino);
    ASSERT_EQ(Zvc_SetStuckLink(kBino, ZEPH_ERR_IO_FAILED, ZEPH_RECOVERY_SOFT_RESET), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK) << "closing still releases the handle";
    h = openOk(kBino);
    EXPECT_EQ(infoResult(h), ZEPH_ERR_IO_FAILED) << "outlives close and re-open";

    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK);
    ASSERT_EQ(Zvc_PlugDevice(kBino), ZEPH_OK);
    Zeph_CloseDevice(h);
    h = openOk(kBino);
    EXPECT_EQ(infoResult(h), ZEPH_OK) << "a replug powers the camera up again";

    struct Case {
        const char *name;
        ZephResult fault;
        int32_t step;
        ZephResult result;
    } cases[] = {
        {kBino, ZEPH_ERR_IO_TIMEOUT, 1, ZEPH_OK},
        {kBino, ZEPH_OK, 0, ZEPH_OK},
        {kBino, ZEPH_ERR_FAILED, 1, ZEPH_ERR_INVALID_PARAMETER},
        {kBino, ZEPH_ERR_IO_TIMEOUT, 5, ZEPH_ERR_INVALID_PARAMETER},
        {"NOBODY", ZEPH_ERR_IO_TIMEOUT, 1, ZEPH_ERR_DEVICE_NOT_FOUND},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Zvc_SetStuckLink(c.name, c.fault, c.step), c.result);
    EXPECT_EQ(infoResult(h), ZEPH_OK) << "result 0 cleared the fault";

    EXPECT_EQ(Zeph_Recovery(h, 5), ZEPH_ERR_INVALID_PARAMETER);
    useLink(ZEPH_COMM_UART);
    const ZephHandle serial = openOk(ZVC_DEFAULT_UART_PORT);
    EXPECT_EQ(Zeph_Recovery(serial, 1), ZEPH_ERR_UNSUPPORTED) << "USB-level steps only";
}

// The removal as the program meets it, asking from inside the notification
// whether its device still answers, is tst_mainwindow's unplugHandling.
TEST_F(Faults, UnplugPlugAndPortCycleAsTheCallbackSeesThem)
{
    EventLog log;
    ZephHandle h = 0;
    ZephResult insideCycle = -1;
    log.inside = [&](const Event &e) {
        int32_t status = 0;
        if (e.first == ZVC_EVENT_REMOVAL_COMPLETE)
            insideCycle = Zeph_GetCaptureStatus(h, &status);
    };
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    const ZephHandle first = h = openOk(kBino);
    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK);
    ASSERT_EQ(Zvc_UnplugDevice(kBino), ZEPH_OK) << "already out: nothing happens";
    EXPECT_EQ(infoResult(first), ZEPH_ERR_IO_FAILED);
    ZephHandle again = 0;
    EXPECT_EQ(Zeph_OpenDevice(kBino, &again), ZEPH_ERR_DEVICE_NOT_FOUND);

    ASSERT_EQ(Zvc_PlugDevice(kBino), ZEPH_OK);
    EXPECT_EQ(infoResult(first), ZEPH_ERR_IO_FAILED) << "the old handle stays dead";
    h = openOk(kBino);
    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_OK) << "closing releases a lost handle";
    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_ERR_INVALID_HANDLE);
    ASSERT_EQ(Zeph_Recovery(h, ZEPH_RECOVERY_CYCLE_PORT), ZEPH_OK);
    Zvc_FlushNotifications();
    EXPECT_EQ(insideCycle, ZEPH_ERR_INVALID_HANDLE) << "the cycle drops the handle before its removal";

    const Events expected{{ZVC_EVENT_REMOVAL_COMPLETE, kBino}, {ZVC_EVENT_ARRIVAL, kBino},
                          {ZVC_EVENT_REMOVAL_COMPLETE, kBino}, {ZVC_EVENT_ARRIVAL, kBino}};
    EXPECT_EQ(log.events(), expected);
    Zvc_SetNotificationCallback(nullptr, nullptr);
    Zvc_UnplugDevice(kMono);
    Zvc_FlushNotifications();
    EXPECT_EQ(log.events(), expected) << "nothing after the callback is removed";
}

// Faults armed for every device (Zvc_FailNext) or for one (Zvc_FailDevice,
// with a delay in model time): what each call then answers, and how long it takes.
TEST_F(Faults, InjectedFaultsCountDownPerFunctionAndLeaveOutputsUntouched)
{
    struct Arm {
        const char *function;
        int32_t count;
        ZephResult result;
        const char *device = nullptr; // null: any device
        int32_t delayMs = 0;
    };
    struct Step {
        const char *call;
        ZephResult result;
        int64_t takesMs = 0;
    };
    const ZephResult timeout = ZEPH_ERR_IO_TIMEOUT, failed = ZEPH_ERR_IO_FAILED;
    const struct Case {
        const char *what;
        std::vector<Arm> arms;
        std::vector<Step> steps;
    } cases[] = {
        {"two timeouts then success", {{"Zeph_GetDeviceInfo", 2, timeout}},
         {{"info", timeout}, {"config", ZEPH_OK}, {"info", timeout}, {"info", ZEPH_OK}}},
        {"star hits any call on a handle but close", {{"*", 2, failed}},
         {{"close spare", ZEPH_OK}, {"status", failed}, {"scan", ZEPH_OK}, {"info", failed},
          {"info", ZEPH_OK}}},
        {"the function's own fault goes first",
         {{"*", 1, failed}, {"Zeph_GetDeviceInfo", 1, ZEPH_ERR_IO_INVALID}},
         {{"info", ZEPH_ERR_IO_INVALID}, {"info", failed}, {"info", ZEPH_OK}}},
        {"a failed close still releases the handle", {{"Zeph_CloseDevice", 1, failed}},
         {{"close", failed}, {"info", ZEPH_ERR_INVALID_HANDLE}, {"reopen", ZEPH_OK},
          {"close", ZEPH_ERR_INVALID_HANDLE}}},
        {"count 0 clears", {{"Zeph_GetDeviceInfo", 5, timeout}, {"Zeph_GetDeviceInfo", 0, timeout}},
         {{"info", ZEPH_OK}}},
        {"each device its own faults and delay",
         {{"Zeph_GetDeviceInfo", 2, timeout, kBino, 250}, {"*", 1, failed, kMono}},
         {{"info", timeout, 250}, {"spare info", failed}, {"spare info", ZEPH_OK},
          {"config", ZEPH_OK}, {"info", timeout, 250}, {"info", ZEPH_OK}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        const ZephHandle h = openOk(kBino);
        const ZephHandle spare = openOk(kMono);
        ZephDeviceConfig config{};
        int32_t status = 0, count = 0;
        const char *const *names = nullptr;
        const std::map<std::string, std::function<ZephResult()>> run = {
            {"info", [&] { return infoResult(h); }},
            {"spare info", [&] { return infoResult(spare); }},
            {"config", [&] { return Zeph_GetDeviceConfig(h, &config); }},
            {"status", [&] { return Zeph_GetCaptureStatus(h, &status); }},
            {"scan", [&] { return Zeph_ScanDevices(&names, &count); }},
            {"close", [&] { return Zeph_CloseDevice(h); }},
            {"reopen", [&] { ZephHandle again = 0; return Zeph_OpenDevice(kBino, &again); }},
            {"close spare", [&] { return Zeph_CloseDevice(spare); }},
        };
        for (const Arm &arm : c.arms) {
            if (arm.device) {
                ASSERT_EQ(Zvc_FailDevice(arm.device, arm.function, arm.count, arm.result,
                                         arm.delayMs),
                          ZEPH_OK);
            } else {
                Zvc_FailNext(arm.function, arm.count, arm.result);
            }
        }
        for (const Step &s : c.steps) {
            const int64_t before = Zvc_ModelTime();
            EXPECT_EQ(run.at(s.call)(), s.result) << s.call;
            EXPECT_EQ(Zvc_ModelTime() - before, s.takesMs) << s.call;
        }
    }
    EXPECT_EQ(Zvc_FailDevice(kBino, "Zeph_ScanDevices", 1, 8, 0), ZEPH_ERR_INVALID_PARAMETER)
        << "a scan has no device";

    // An injected result, even ZEPH_OK, leaves the outputs untouched.
    Zvc_Reset();
    const ZephHandle h = openOk(kBino);
    Zvc_FailNext("Zeph_GetDeviceInfo", 1, ZEPH_OK);
    ZephDeviceInfo info;
    std::memset(&info, 0xAB, sizeof info);
    const ZephDeviceInfo before = info;
    EXPECT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
}

TEST_F(Faults, BenchDevicesAreCheckedAndAResetRestoresTheDefaultBench)
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
        {"COM11", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
        {"ZEPH-X", 3, ZVC_MODEL_MONOCULAR, ZEPH_ERR_INVALID_PARAMETER},
    };
    EventLog log;
    Zvc_SetNotificationCallback(&EventLog::record, &log);
    for (const Case &c : cases)
        EXPECT_EQ(Zvc_AddDevice(c.name, c.link, c.model), c.result) << c.name;
    EXPECT_EQ(log.events(), (Events{{ZVC_EVENT_ARRIVAL, "ZEPH-USB-NEW"}, {ZVC_EVENT_ARRIVAL, "COM9"},
                                    {ZVC_EVENT_ARRIVAL, "COM10"}}));
    useLink(ZEPH_COMM_UART);
    ZephHandle h = 0;
    EXPECT_EQ(Zeph_OpenDevice("COM9", &h), ZEPH_OK);
    EXPECT_EQ(Zeph_OpenDevice("COM10", &h), ZEPH_ERR_ACCESS_DENIED);

    Zvc_SetNotificationCallback(nullptr, nullptr);
    useLink(ZEPH_COMM_USB);
    ASSERT_EQ(Zvc_RemoveAllDevices(), ZEPH_OK);
    EXPECT_TRUE(scan().empty());
    Zvc_Reset();
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, kMono})) << "the default bench again";
}

// The lies, and what the program makes of them, are tests/capture/
// tst_capturewidget's lyingOutputs and tests/matching/tst_enrollwidget's.
TEST_F(Faults, LyingOutputsCorruptTheNextOutputOnly)
{
    const ZephHandle h = openOk(kBino);
    const auto lied = [h] {
        ZephDeviceInfo info{};
        EXPECT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
        return !std::memchr(info.productName, 0, sizeof info.productName)
               && !std::memchr(info.serialNumber, 0, sizeof info.serialNumber);
    };
    EXPECT_FALSE(lied());
    ASSERT_EQ(Zvc_LieNext("Zeph_GetDeviceInfo", ZVC_LIE_TEXT_UNTERMINATED), ZEPH_OK);
    EXPECT_TRUE(lied());
    EXPECT_FALSE(lied()) << "used up by one output";
    EXPECT_EQ(Zvc_LieNext("Zeph_Nothing", ZVC_LIE_SHORT_ARRAY), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zvc_LieNext("Zeph_GetDeviceInfo", 9), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Faults, JournalKeepsEveryCallWithArgumentsAndAnswer)
{
    Zvc_ClearJournal();
    ZephHandle h = 0;
    ASSERT_EQ(Zeph_OpenDevice(kBino, &h), ZEPH_OK);
    Zeph_ClearCapture(h, ZEPH_CLEAR_LEFT);
    Zeph_SleepDevice(h, ZEPH_SLEEP_DEEP, 0);
    Zeph_CloseDevice(h);
    Zeph_CloseDevice(h);
    const std::vector<std::string> expected = {
        "Zeph_OpenDevice(\"ZEPH-USB-BINO-0001\") = 0",
        "Zeph_ClearCapture(2) = 12293",
        "Zeph_SleepDevice(4, 0) = 0",
        "Zeph_CloseDevice() = 0",
        "Zeph_CloseDevice() = 14",
    };
    std::vector<std::string> lines;
    char line[160];
    for (int32_t i = 0; i < Zvc_JournalSize(); ++i) {
        Zvc_JournalLine(i, line, sizeof line);
        lines.emplace_back(line);
    }
    EXPECT_EQ(lines, expected);
    ZvcCall call{};
    ASSERT_EQ(Zvc_JournalEntry(1, &call), ZEPH_OK);
    EXPECT_STREQ(call.function, "Zeph_ClearCapture");
    EXPECT_STREQ(call.device, kBino);
    EXPECT_EQ(call.handle, h);
    EXPECT_EQ(call.argCount * 100 + call.args[0], 102);
    ASSERT_EQ(Zvc_JournalEntry(3, &call), ZEPH_OK);
    EXPECT_STREQ(call.device, kBino) << "close is named after the device it closed";
    char cut[10];
    EXPECT_EQ(Zvc_JournalLine(1, cut, sizeof cut), static_cast<int32_t>(expected[1].size()));
    EXPECT_STREQ(cut, "Zeph_Clea");
    EXPECT_EQ(Zvc_JournalLine(5, cut, sizeof cut), -1);

    // The counters see the same calls; counting per function from the
    // fixture's reset is test_concurrency's.
    EXPECT_EQ(Zvc_CallCount("*"), 5);
    Zvc_ResetCallCounts();
    EXPECT_EQ(Zvc_CallCount("*"), 0);
}
