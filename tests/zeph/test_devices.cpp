// Library and device families: the description, the host-side SDK
// configuration, scanning, opening and closing, handles, names, the COM
// probe and the configuration record's validation. What each model reports
// is read by the program's suites (layout per device, the start sound).
#include "VcamFixture.h"

#include <cmath>

using namespace vcamtest;
using Devices = VcamTest;
using Names = std::vector<std::string>;

namespace {

constexpr ZephResult kBad = ZEPH_ERR_INVALID_PARAMETER;

template <typename Record>
struct Change {
    const char *what;
    std::function<void(Record &)> change;
    ZephResult result;
};
// One row of a validation table: the change as written, applied to `c`.
#define CASE(change, result) {#change, [](auto &c) { change; }, result}

// Each change is tried on the start record, read back over a filled record;
// a refused record changes nothing.
template <typename Record, typename Get, typename Set>
void expectValidated(const Record &start, Get get, Set set, const std::vector<Change<Record>> &cases)
{
    for (const Change<Record> &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(set(&start), ZEPH_OK);
        Record wanted = start;
        c.change(wanted);
        EXPECT_EQ(set(&wanted), c.result);
        Record read;
        std::memset(&read, 0x77, sizeof read);
        ASSERT_EQ(get(&read), ZEPH_OK);
        EXPECT_EQ(std::memcmp(&read, c.result == ZEPH_OK ? &wanted : &start, sizeof read), 0)
            << "refused records change nothing";
    }
}

} // namespace

TEST_F(Devices, DescriptionIsCutToTheCallersCapacity)
{
    char whole[256];
    int32_t wholeLength = 255;
    ASSERT_EQ(Zeph_GetSdkDescription(whole, &wholeLength), ZEPH_OK);
    const std::string text = whole;
    const int32_t full = static_cast<int32_t>(text.size());
    ASSERT_LT(full, 255);
    struct Case {
        int32_t capacity;
        ZephResult result;
    } cases[] = {{0, ZEPH_ERR_NOT_ENOUGH_BUFFER}, {full - 1, ZEPH_ERR_NOT_ENOUGH_BUFFER},
                 {full, ZEPH_OK}, {255, ZEPH_OK}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.capacity);
        char buffer[300];
        std::memset(buffer, 0x5A, sizeof buffer);
        int32_t length = c.capacity;
        EXPECT_EQ(Zeph_GetSdkDescription(buffer, &length), c.result);
        const std::size_t kept = static_cast<std::size_t>(std::min(c.capacity, full));
        EXPECT_EQ(std::string(buffer), text.substr(0, kept));
        EXPECT_EQ(buffer[kept], '\0');
        EXPECT_EQ(buffer[kept + 1], 0x5A) << "wrote past the terminating zero";
        EXPECT_EQ(length, full);
    }
    int32_t negative = -1;
    EXPECT_EQ(Zeph_GetSdkDescription(nullptr, &wholeLength), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_GetSdkDescription(whole, &negative), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Devices, SdkConfigStartsOnUsbAt115200AndIsValidatedWhole)
{
    ZephSdkConfig factory;
    std::memset(&factory, 0xCC, sizeof factory);
    ASSERT_EQ(Zeph_GetSdkConfig(&factory), ZEPH_OK);
    const ZephSdkConfig start{ZEPH_COMM_USB, 0, 115200, 0, 1};
    EXPECT_EQ(std::memcmp(&factory, &start, sizeof start), 0);
    expectValidated(start, Zeph_GetSdkConfig, Zeph_SetSdkConfig, {
        CASE(c.commStd = 2, ZEPH_OK),          CASE(c.commStd = 3, kBad),
        CASE(c.uartBaudrate = 9600, ZEPH_OK),  CASE(c.uartBaudrate = 115201, kBad),
        CASE(c.uartFlowControl = 2, kBad),     CASE(c.flowControlOn = 0x101, kBad), // upper bytes
        CASE(c.enableLog = 1, ZEPH_OK),        CASE(c.enableLog = 0xCCCCCCCC, kBad),
    });
    EXPECT_EQ(Zeph_GetSdkConfig(nullptr), kBad);
    EXPECT_EQ(Zeph_SetSdkConfig(nullptr), kBad);
}

TEST_F(Devices, ScanListsPluggedUsbCamerasInTheOrderTheyArrived)
{
    EXPECT_EQ(scan(), (Names{kBino, kMono}));
    ASSERT_EQ(Zvc_AddDevice("ZEPH-USB-EXTRA-0003", ZVC_LINK_USB, ZVC_MODEL_MONOCULAR), ZEPH_OK);
    ASSERT_EQ(Zvc_UnplugDevice(kMono), ZEPH_OK);
    EXPECT_EQ(scan(), (Names{kBino, "ZEPH-USB-EXTRA-0003"}));
    ASSERT_EQ(Zvc_PlugDevice(kMono), ZEPH_OK);
    EXPECT_EQ(scan(), (Names{kBino, kMono, "ZEPH-USB-EXTRA-0003"}));

    const char *const *names = nullptr;
    int32_t count = -1;
    EXPECT_EQ(Zeph_ScanDevices(&names, nullptr), kBad);
    useLink(ZEPH_COMM_UART);
    ASSERT_EQ(Zeph_ScanDevices(&names, &count), ZEPH_OK);
    EXPECT_EQ(count, 0) << "the UART link finds nothing";
    EXPECT_NE(names, nullptr);
}

TEST_F(Devices, OpenCloseAndStaleHandles)
{
    const ZephHandle first = openOk(kBino);
    ZephHandle second = 0;
    EXPECT_EQ(Zeph_OpenDevice(kBino, &second), ZEPH_ERR_ALREADY_OPEN);
    EXPECT_EQ(second, 0u);
    const ZephHandle other = openOk(kMono);
    EXPECT_NE(other, first);
    int32_t status = -1;
    EXPECT_EQ(Zeph_GetCaptureStatus(first, &status), ZEPH_OK);
    EXPECT_EQ(status, ZEPH_STATUS_IDLE);
    EXPECT_EQ(Zeph_GetCaptureStatus(first, nullptr), kBad);

    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_OK);
    EXPECT_EQ(Zeph_CloseDevice(first), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(infoResult(0), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(Zeph_GetDeviceInfo(other, nullptr), kBad);
    // The handle is checked before anything else, security calls included.
    const std::vector<std::function<ZephResult(ZephHandle)>> calls = {
        infoResult, Zeph_LockDevice, [](ZephHandle x) { return Zeph_Login(x, "A", 0); },
        [](ZephHandle x) { return Zeph_SetUserRole(x, "A", 2); }};
    for (const auto &call : calls)
        EXPECT_EQ(call(first), ZEPH_ERR_INVALID_HANDLE);
    EXPECT_EQ(infoResult(other), ZEPH_OK) << "the other device is untouched";
    // Texts end inside their fields.
    ZephDeviceInfo a;
    std::memset(&a, 0xEE, sizeof a);
    ASSERT_EQ(Zeph_GetDeviceInfo(other, &a), ZEPH_OK);
    EXPECT_LT(strnlen(a.productName, sizeof a.productName), sizeof a.productName);
    EXPECT_LT(strnlen(a.serialNumber, sizeof a.serialNumber), sizeof a.serialNumber);

    EXPECT_NE(openOk(kBino), first) << "handles are not handed out twice";
}

// Names on each link: USB names are exact and at most 99 characters; a COM
// port name is probed (taking model time) and compared without case.
TEST_F(Devices, OpenChecksTheNameOnEachLink)
{
    const std::string name99 = "ZEPH-USB-" + std::string(90, 'N');
    const std::string name100 = name99 + "N";
    ASSERT_EQ(Zvc_AddDevice(name99.c_str(), ZVC_LINK_USB, ZVC_MODEL_BINOCULAR), ZEPH_OK);
    const int32_t usb = ZEPH_COMM_USB, uart = ZEPH_COMM_UART;
    const ZephResult none = ZEPH_ERR_DEVICE_NOT_FOUND;
    struct Case {
        int32_t link;
        const char *name;
        ZephResult result;
        int64_t probeMs;
    } cases[] = {
        {usb, name99.c_str(), ZEPH_OK, 0},  {usb, name100.c_str(), kBad, 0},
        {usb, "", kBad, 0},                 {usb, nullptr, kBad, 0},
        {usb, "zeph-usb-bino-0001", none, 0}, // names are case-sensitive
        {usb, "COM3", none, 0},               // a serial port on the USB link
        {uart, "com3", ZEPH_OK, 40},        {uart, "COM256", none, 100},
        {uart, "COM03", none, 0},           {uart, "COM257", none, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name ? c.name : "null");
        useLink(c.link);
        const int64_t before = Zvc_ModelledMilliseconds();
        ZephHandle h = 0;
        EXPECT_EQ(Zeph_OpenDevice(c.name, &h), c.result);
        EXPECT_EQ(Zvc_ModelledMilliseconds() - before, c.probeMs);
        if (c.result == ZEPH_OK) {
            std::string upper = c.name;
            for (char &ch : upper)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            ZephHandle twice = 0;
            EXPECT_EQ(Zeph_OpenDevice(upper.c_str(), &twice), ZEPH_ERR_ALREADY_OPEN);
            EXPECT_EQ(Zeph_CloseDevice(h), ZEPH_OK);
        }
    }
    EXPECT_EQ(Zeph_OpenDevice(kBino, nullptr), kBad);

    // A host at another baud rate hears nothing from the camera, like an empty port.
    ZephSdkConfig sdk{};
    ASSERT_EQ(Zeph_GetSdkConfig(&sdk), ZEPH_OK);
    sdk.uartBaudrate = 9600;
    ASSERT_EQ(Zeph_SetSdkConfig(&sdk), ZEPH_OK);
    ZephHandle h = 0;
    EXPECT_EQ(Zeph_OpenDevice("COM3", &h), ZEPH_ERR_DEVICE_NOT_FOUND);
}

TEST_F(Devices, FactoryConfigurationFollowsTheLinkAndChangesAreValidated)
{
    const ZephHandle h = openOk(kBino);
    ZephDeviceConfig factory{};
    ASSERT_EQ(Zeph_GetDeviceConfig(h, &factory), ZEPH_OK);
    EXPECT_EQ(factory.streamFormat, ZEPH_FORMAT_MONO_RAW);
    EXPECT_EQ(factory.uartBaudrate, 115200u) << "what the host starts with";
    EXPECT_EQ(Zeph_GetDeviceConfig(h, nullptr), kBad);
    EXPECT_EQ(Zeph_SetDeviceConfig(h, nullptr), kBad);
    const auto get = [h](ZephDeviceConfig *c) { return Zeph_GetDeviceConfig(h, c); };
    const auto set = [h](const ZephDeviceConfig *c) { return Zeph_SetDeviceConfig(h, c); };
    expectValidated(factory, get, set, {
        CASE(c.streamScale = 16, ZEPH_OK),         CASE(c.streamScale = 3, kBad),
        CASE(c.streamFormat = 6, ZEPH_OK),         CASE(c.streamFormat = 10, kBad),
        CASE(c.compressionQuality = 100, ZEPH_OK), CASE(c.compressionQuality = 0, kBad),
        CASE(c.compressionQuality = 101, kBad),    CASE(c.sleepMode = 4, ZEPH_OK),
        CASE(c.sleepMode = 3, kBad),               CASE(c.sleepTimeout = 65535, ZEPH_OK),
        CASE(c.uartFlowControl = 2, kBad),         CASE(c.uartBaudrate = 921600, ZEPH_OK),
        CASE(c.dedupThreshold = c.authThreshold = 0.8f, ZEPH_OK),
        CASE(c.dedupThreshold = c.authThreshold = 1.1f, ZEPH_OK),
        CASE(c.dedupThreshold = 1.11f, kBad),      CASE(c.dedupThreshold = std::nanf(""), kBad),
        CASE(c.authThreshold = 0.79f, kBad),
        CASE(c.forceEncryption = 2, kBad),         CASE(c.enableStream = 0xFF, kBad),
        CASE(c.forceEncryption = c.enableDedup = c.supervisedEnrollment = c.dataClosure =
                 c.enableStream = c.deepSleepInterrupt = 1,
             ZEPH_OK),
        CASE(std::memset(c.reserved2, 0xA1, sizeof c.reserved2);
             std::memset(c.reserved18, 0xA2, sizeof c.reserved18);
             std::memset(c.reserved25, 0xA3, sizeof c.reserved25);
             std::memset(c.reserved40, 0xA4, sizeof c.reserved40), ZEPH_OK),
    });
    useLink(ZEPH_COMM_UART);
    ASSERT_EQ(Zeph_GetDeviceConfig(openOk(ZVC_DEFAULT_UART_PORT), &factory), ZEPH_OK);
    EXPECT_EQ(factory.streamFormat, ZEPH_FORMAT_MONO_JPEG) << "the serial camera's own";
}
