// Device family: scanning, opening and closing, handles, names, the COM
// probe, device information and the configuration record's validation.
#include "VcamFixture.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using vcamtest::VcamTest;

namespace {

const std::string kBino = ZVC_DEFAULT_USB_BINOCULAR;
const std::string kMono = ZVC_DEFAULT_USB_MONOCULAR;

std::string boundedText(const char *field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

} // namespace

using Devices = VcamTest;

TEST_F(Devices, ScanListsPluggedUsbCamerasInTheOrderTheyArrived)
{
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, kMono}));
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, kMono})) << "a second scan is the same";

    ASSERT_EQ(Zvc_AddDevice("ZEPH-USB-EXTRA-0003", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR), ZEPH_OK);
    ASSERT_EQ(Zvc_UnplugDevice(kMono.c_str()), ZEPH_OK);
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, "ZEPH-USB-EXTRA-0003"}));
    ASSERT_EQ(Zvc_PlugDevice(kMono.c_str()), ZEPH_OK);
    EXPECT_EQ(scan(), (std::vector<std::string>{kBino, kMono, "ZEPH-USB-EXTRA-0003"}));
}

TEST_F(Devices, ScanOnTheUartLinkFindsNothing)
{
    useLink(ZEPH_COMM_UART);
    const char *const *names = nullptr;
    int32_t count = -1;
    ASSERT_EQ(Zeph_ScanDevices(&names, &count), ZEPH_OK);
    EXPECT_EQ(count, 0);
    EXPECT_NE(names, nullptr);
    EXPECT_EQ(Zeph_ScanDevices(nullptr, &count), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_ScanDevices(&names, nullptr), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Devices, OpenCloseAndStaleHandles)
{
    const ZephHandle first = openOk(kBino.c_str());
    ZephHandle second = 0;
    EXPECT_EQ(Zeph_OpenDevice(kBino.c_str(), &second), ZEPH_ERR_ALREADY_OPEN);
    EXPECT_EQ(second, 0u);
    const ZephHandle other = openOk(kMono.c_str());
    EXPECT_NE(other, first);

    ZephDeviceInfo info{};
    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(Zeph_GetDeviceInfo(first, &info), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(Zeph_GetDeviceInfo(0, &info), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(Zeph_GetDeviceInfo(other, &info), ZEPH_OK) << "the other device is untouched";

    const ZephHandle again = openOk(kBino.c_str());
    EXPECT_NE(again, first) << "handles are not handed out twice";
    Zvc_Reset();
    EXPECT_EQ(Zeph_GetDeviceInfo(again, &info), ZEPH_ERR_INVALID_HANDLE) << "reset closes all";
    EXPECT_NE(openOk(kBino.c_str()), again);
}

TEST_F(Devices, NamesAreBoundedTo99Characters)
{
    const std::string name99 = "ZEPH-USB-" + std::string(90, 'N');
    const std::string name100 = name99 + "N";
    ASSERT_EQ(Zvc_AddDevice(name99.c_str(), ZVC_LINK_USB, ZVC_MODEL_BINOCULAR), ZEPH_OK);
    EXPECT_EQ(Zvc_AddDevice(name100.c_str(), ZVC_LINK_USB, ZVC_MODEL_BINOCULAR),
              ZEPH_ERR_INVALID_PARAMETER);
    struct Case {
        const char *what;
        const char *name;
        ZephResult result;
    } cases[] = {
        {"99 characters", name99.c_str(), ZEPH_OK},
        {"100 characters", name100.c_str(), ZEPH_ERR_INVALID_PARAMETER},
        {"empty", "", ZEPH_ERR_INVALID_PARAMETER},
        {"null", nullptr, ZEPH_ERR_INVALID_PARAMETER},
        {"unknown", "ZEPH-USB-NOBODY", ZEPH_ERR_DEVICE_NOT_FOUND},
        {"wrong case", "zeph-usb-bino-0001", ZEPH_ERR_DEVICE_NOT_FOUND},
        {"serial port on USB", "COM3", ZEPH_ERR_DEVICE_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZephHandle h = 0xDEAD;
        EXPECT_EQ(Zeph_OpenDevice(c.name, &h), c.result);
        if (c.result == ZEPH_OK) {
            EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
        }
    }
    EXPECT_EQ(Zeph_OpenDevice(kBino.c_str(), nullptr), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Devices, ComProbeOpensOnlyTheConfiguredPorts)
{
    useLink(ZEPH_COMM_UART);
    struct Case {
        const char *name;
        ZephResult result;
        int64_t probeMs;
    } cases[] = {
        {"COM3", ZEPH_OK, 40},
        {"com3", ZEPH_OK, 40},
        {"COM5", ZEPH_ERR_ACCESS_DENIED, 40},
        {"COM7", ZEPH_ERR_DEVICE_NOT_FOUND, 100},
        {"COM256", ZEPH_ERR_DEVICE_NOT_FOUND, 100},
        {"COM0", ZEPH_ERR_DEVICE_NOT_FOUND, 0},
        {"COM03", ZEPH_ERR_DEVICE_NOT_FOUND, 0},
        {"COM257", ZEPH_ERR_DEVICE_NOT_FOUND, 0},
        {"COM", ZEPH_ERR_DEVICE_NOT_FOUND, 0},
        {ZVC_DEFAULT_USB_BINOCULAR, ZEPH_ERR_DEVICE_NOT_FOUND, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t before = Zvc_ModelledMilliseconds();
        ZephHandle h = 0;
        EXPECT_EQ(Zeph_OpenDevice(c.name, &h), c.result);
        EXPECT_EQ(Zvc_ModelledMilliseconds() - before, c.probeMs);
        if (c.result == ZEPH_OK) {
            ZephHandle twice = 0;
            EXPECT_EQ(Zeph_OpenDevice("COM3", &twice), ZEPH_ERR_ALREADY_OPEN);
            EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
        }
    }
}

TEST_F(Devices, ProbingCom1ToCom20FindsTheCameraAndTheBusyPort)
{
    useLink(ZEPH_COMM_UART);
    std::vector<std::string> answered;
    for (int port = 1; port <= 20; ++port) {
        const std::string name = "COM" + std::to_string(port);
        ZephHandle h = 0;
        const ZephResult r = Zeph_OpenDevice(name.c_str(), &h);
        if (r == ZEPH_OK || r == ZEPH_ERR_ACCESS_DENIED)
            answered.push_back(name);
        if (r == ZEPH_OK)
            Zeph_CloseDevice(h);
    }
    EXPECT_EQ(answered, (std::vector<std::string>{"COM3", "COM5"}));
    EXPECT_EQ(Zvc_ModelledMilliseconds(), 2 * 40 + 18 * 100);
}

TEST_F(Devices, InformationDiffersPerModel)
{
    struct Case {
        const char *name;
        uint32_t productId;
        uint8_t binocular;
        uint32_t features;
        uint32_t soundSet;
        uint32_t kernelMajor;
    } cases[] = {
        {ZVC_DEFAULT_USB_BINOCULAR, 0x0B21, 1, 3, 1, 2},
        {ZVC_DEFAULT_USB_MONOCULAR, 0x0A12, 0, 1, 0, 1},
        {ZVC_DEFAULT_UART_PORT, 0x0A12, 0, 1, 0, 1},
    };
    std::vector<std::string> serials;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useLink(std::strncmp(c.name, "COM", 3) == 0 ? ZEPH_COMM_UART : ZEPH_COMM_USB);
        const ZephHandle h = openOk(c.name);
        ZephDeviceInfo info;
        std::memset(&info, 0xEE, sizeof info);
        ASSERT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
        EXPECT_EQ(info.productId, c.productId);
        EXPECT_EQ(info.binocular, c.binocular);
        EXPECT_EQ(info.features, c.features);
        EXPECT_EQ((info.propertiesFlag >> 20) & 0xF, c.soundSet);
        EXPECT_EQ(info.kernelMajor, c.kernelMajor);
        EXPECT_LT(strnlen(info.productName, sizeof info.productName), sizeof info.productName);
        EXPECT_LT(strnlen(info.serialNumber, sizeof info.serialNumber), sizeof info.serialNumber);
        EXPECT_NE(boundedText(info.productName, sizeof info.productName).find("Zeph"),
                  std::string::npos);
        serials.push_back(boundedText(info.serialNumber, sizeof info.serialNumber));
        EXPECT_FALSE(serials.back().empty());
        EXPECT_EQ(Zeph_GetDeviceInfo(h, nullptr), ZEPH_ERR_INVALID_PARAMETER);
        Zeph_CloseDevice(h);
    }
    EXPECT_NE(serials[1], serials[2]) << "same model, different serial numbers";
}

TEST_F(Devices, InformationOverrideIsPassedOnByteForByte)
{
    ZephDeviceInfo raw;
    std::memset(&raw, 'X', sizeof raw); // texts without terminating zero
    raw.features = 0;
    ASSERT_EQ(Zvc_SetDeviceInfo(kBino.c_str(), &raw), ZEPH_OK);
    EXPECT_EQ(Zvc_SetDeviceInfo("NOBODY", &raw), ZEPH_ERR_DEVICE_NOT_FOUND);
    const ZephHandle h = openOk(kBino.c_str());
    ZephDeviceInfo info{};
    ASSERT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
    EXPECT_EQ(std::memcmp(&info, &raw, sizeof info), 0);

    ASSERT_EQ(Zvc_SetDeviceInfo(kBino.c_str(), nullptr), ZEPH_OK);
    ASSERT_EQ(Zeph_GetDeviceInfo(h, &info), ZEPH_OK);
    EXPECT_EQ(info.productId, 0x0B21u);
    EXPECT_EQ(info.features, 3u);
}

TEST_F(Devices, FactoryConfigurationFollowsTheLink)
{
    const ZephHandle usb = openOk(kBino.c_str());
    ZephDeviceConfig c{};
    ASSERT_EQ(Zeph_GetDeviceConfig(usb, &c), ZEPH_OK);
    EXPECT_EQ(c.streamFormat, ZEPH_FORMAT_MONO_RAW);
    EXPECT_EQ(c.uartBaudrate, 115200u);
    EXPECT_EQ(c.sleepTimeout, 0u);
    EXPECT_EQ(Zeph_SetDeviceConfig(usb, &c), ZEPH_OK) << "the factory record is valid";
    EXPECT_EQ(Zeph_GetDeviceConfig(usb, nullptr), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_SetDeviceConfig(usb, nullptr), ZEPH_ERR_INVALID_PARAMETER);

    useLink(ZEPH_COMM_UART);
    const ZephHandle uart = openOk(ZVC_DEFAULT_UART_PORT);
    ASSERT_EQ(Zeph_GetDeviceConfig(uart, &c), ZEPH_OK);
    EXPECT_EQ(c.streamFormat, ZEPH_FORMAT_MONO_JPEG);
}

TEST_F(Devices, ConfigurationIsValidatedByTheFirmware)
{
    using Change = std::function<void(ZephDeviceConfig &)>;
    struct Case {
        const char *what;
        Change change;
        ZephResult result;
    } cases[] = {
        {"scale 1", [](ZephDeviceConfig &c) { c.streamScale = 1; }, ZEPH_OK},
        {"scale 16", [](ZephDeviceConfig &c) { c.streamScale = 16; }, ZEPH_OK},
        {"scale 0", [](ZephDeviceConfig &c) { c.streamScale = 0; }, ZEPH_ERR_INVALID_PARAMETER},
        {"scale 3", [](ZephDeviceConfig &c) { c.streamScale = 3; }, ZEPH_ERR_INVALID_PARAMETER},
        {"scale 32", [](ZephDeviceConfig &c) { c.streamScale = 32; }, ZEPH_ERR_INVALID_PARAMETER},
        {"JPEG stream", [](ZephDeviceConfig &c) { c.streamFormat = 6; }, ZEPH_OK},
        {"JPEG 2000 stream", [](ZephDeviceConfig &c) { c.streamFormat = 10; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"quality 1", [](ZephDeviceConfig &c) { c.compressionQuality = 1; }, ZEPH_OK},
        {"quality 100", [](ZephDeviceConfig &c) { c.compressionQuality = 100; }, ZEPH_OK},
        {"quality 0", [](ZephDeviceConfig &c) { c.compressionQuality = 0; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"quality 101", [](ZephDeviceConfig &c) { c.compressionQuality = 101; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"standby", [](ZephDeviceConfig &c) { c.sleepMode = 1; }, ZEPH_OK},
        {"deep sleep", [](ZephDeviceConfig &c) { c.sleepMode = 4; }, ZEPH_OK},
        {"sleep 0", [](ZephDeviceConfig &c) { c.sleepMode = 0; }, ZEPH_ERR_INVALID_PARAMETER},
        {"sleep 3", [](ZephDeviceConfig &c) { c.sleepMode = 3; }, ZEPH_ERR_INVALID_PARAMETER},
        {"sleep after 65535 s", [](ZephDeviceConfig &c) { c.sleepTimeout = 65535; }, ZEPH_OK},
        {"hardware flow", [](ZephDeviceConfig &c) { c.uartFlowControl = 1; }, ZEPH_OK},
        {"flow 2", [](ZephDeviceConfig &c) { c.uartFlowControl = 2; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"9600 baud", [](ZephDeviceConfig &c) { c.uartBaudrate = 9600; }, ZEPH_OK},
        {"921600 baud", [](ZephDeviceConfig &c) { c.uartBaudrate = 921600; }, ZEPH_OK},
        {"0 baud", [](ZephDeviceConfig &c) { c.uartBaudrate = 0; }, ZEPH_ERR_INVALID_PARAMETER},
        {"1000000 baud", [](ZephDeviceConfig &c) { c.uartBaudrate = 1000000; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"thresholds 0", [](ZephDeviceConfig &c) { c.dedupThreshold = c.authThreshold = 0; },
         ZEPH_OK},
        {"thresholds 99.99",
         [](ZephDeviceConfig &c) { c.dedupThreshold = c.authThreshold = 99.99f; }, ZEPH_OK},
        {"auth 1.2", [](ZephDeviceConfig &c) { c.authThreshold = 1.2f; }, ZEPH_OK},
        {"auth negative", [](ZephDeviceConfig &c) { c.authThreshold = -0.01f; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"auth 100", [](ZephDeviceConfig &c) { c.authThreshold = 100.0f; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"dedup NaN", [](ZephDeviceConfig &c) { c.dedupThreshold = std::nanf(""); },
         ZEPH_ERR_INVALID_PARAMETER},
        {"dedup infinite", [](ZephDeviceConfig &c) { c.dedupThreshold = INFINITY; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"encryption 2", [](ZephDeviceConfig &c) { c.forceEncryption = 2; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"dedup flag 2", [](ZephDeviceConfig &c) { c.enableDedup = 2; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"stream flag 0xFF", [](ZephDeviceConfig &c) { c.enableStream = 0xFF; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"all switches on",
         [](ZephDeviceConfig &c) {
             c.forceEncryption = c.enableDedup = c.supervisedEnrollment = c.dataClosure = 1;
             c.enableStream = c.deepSleepInterrupt = 1;
         },
         ZEPH_OK},
        {"reserved bytes set",
         [](ZephDeviceConfig &c) {
             std::memset(c.reserved2, 0xA1, sizeof c.reserved2);
             std::memset(c.reserved18, 0xA2, sizeof c.reserved18);
             std::memset(c.reserved25, 0xA3, sizeof c.reserved25);
             std::memset(c.reserved40, 0xA4, sizeof c.reserved40);
         },
         ZEPH_OK},
    };
    const ZephHandle h = openOk(kBino.c_str());
    ZephDeviceConfig factory{};
    ASSERT_EQ(Zeph_GetDeviceConfig(h, &factory), ZEPH_OK);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Zeph_SetDeviceConfig(h, &factory), ZEPH_OK);
        ZephDeviceConfig wanted = factory;
        c.change(wanted);
        EXPECT_EQ(Zeph_SetDeviceConfig(h, &wanted), c.result);
        ZephDeviceConfig read;
        std::memset(&read, 0x77, sizeof read);
        ASSERT_EQ(Zeph_GetDeviceConfig(h, &read), ZEPH_OK);
        const ZephDeviceConfig &expected = c.result == ZEPH_OK ? wanted : factory;
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0)
            << "refused records change nothing";
    }
}

TEST_F(Devices, CaptureStatusOfAnIdleCamera)
{
    const ZephHandle h = openOk(kBino.c_str());
    int32_t status = -1;
    EXPECT_EQ(Zeph_GetCaptureStatus(h, &status), ZEPH_OK);
    EXPECT_EQ(status, ZEPH_STATUS_IDLE);
    EXPECT_EQ(Zeph_GetCaptureStatus(h, nullptr), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Devices, CallsNotBuiltYetAnswerUnsupportedAfterTheHandleCheck)
{
    using Call = std::function<ZephResult(ZephHandle)>;
    const std::vector<std::pair<const char *, Call>> calls = {
        {"SleepDevice", [](ZephHandle h) { return Zeph_SleepDevice(h, 2, 0); }},
        {"InitCamera", [](ZephHandle h) { int32_t a, b; return Zeph_InitCamera(h, &a, &b); }},
        {"StartCapture",
         [](ZephHandle h) { return Zeph_StartCapture(h, 1, 3, 1, 1, 3, 1, nullptr, nullptr); }},
        {"StopCapture", [](ZephHandle h) { return Zeph_StopCapture(h); }},
        {"GetResultImage",
         [](ZephHandle h) {
             const ZephImage *i = nullptr;
             int32_t n = 0;
             return Zeph_GetResultImage(h, 3, 2, 100, &i, &n);
         }},
        {"ControlLed", [](ZephHandle h) { return Zeph_ControlLed(h, 4, 1, 2000); }},
        {"GetGalleryInfo",
         [](ZephHandle h) {
             const char *const *ids = nullptr;
             int32_t n, f, c;
             return Zeph_GetGalleryInfo(h, &ids, &n, &f, &c);
         }},
        {"CommitGallery", [](ZephHandle h) { return Zeph_CommitGallery(h); }},
        {"Compare11", [](ZephHandle h) { float d = 2.0f; return Zeph_Compare11(h, "A", &d); }},
        {"Login", [](ZephHandle h) { return Zeph_Login(h, "A", 0); }},
        {"LockDevice", [](ZephHandle h) { return Zeph_LockDevice(h); }},
        {"SetUserRole", [](ZephHandle h) { return Zeph_SetUserRole(h, "A", 2); }},
    };
    const ZephHandle h = openOk(kBino.c_str());
    for (const auto &call : calls) {
        SCOPED_TRACE(call.first);
        EXPECT_EQ(call.second(h), ZEPH_ERR_UNSUPPORTED);
        EXPECT_EQ(call.second(h + 1000), ZEPH_ERR_INVALID_HANDLE);
    }
}
