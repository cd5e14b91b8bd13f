// Library family: version, description, host-side SDK configuration.
#include "VcamFixture.h"

#include <cstring>
#include <functional>
#include <string>

using vcamtest::VcamTest;

namespace {

std::string fullDescription()
{
    char buffer[256];
    int32_t length = 255;
    EXPECT_EQ(Zeph_GetSdkDescription(buffer, &length), ZEPH_OK);
    return std::string(buffer);
}

} // namespace

using Library = VcamTest;

TEST_F(Library, VersionAndDescriptionNameTheVirtualCamera)
{
    EXPECT_EQ(Zeph_GetSdkVersion(), 0x03030000);
    const std::string text = fullDescription();
    EXPECT_NE(text.find("virtual camera"), std::string::npos) << text;
    EXPECT_NE(text.find("3.3.0"), std::string::npos) << text;
    EXPECT_LT(text.size(), 255u);
}

TEST_F(Library, DescriptionIsCutToTheCallersCapacity)
{
    const std::string text = fullDescription();
    const int32_t full = static_cast<int32_t>(text.size());
    struct Case {
        int32_t capacity;
        ZephResult result;
    } cases[] = {{0, ZEPH_ERR_NOT_ENOUGH_BUFFER}, {1, ZEPH_ERR_NOT_ENOUGH_BUFFER},
                 {full - 1, ZEPH_ERR_NOT_ENOUGH_BUFFER}, {full, ZEPH_OK},
                 {full + 1, ZEPH_OK}, {255, ZEPH_OK}};
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
}

TEST_F(Library, DescriptionRefusesMissingArguments)
{
    char buffer[8];
    int32_t length = 7;
    int32_t negative = -1;
    EXPECT_EQ(Zeph_GetSdkDescription(nullptr, &length), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_GetSdkDescription(buffer, nullptr), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_GetSdkDescription(buffer, &negative), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Library, SdkConfigStartsOnUsbAt115200)
{
    ZephSdkConfig c;
    std::memset(&c, 0xCC, sizeof c);
    ASSERT_EQ(Zeph_GetSdkConfig(&c), ZEPH_OK);
    EXPECT_EQ(c.commStd, ZEPH_COMM_USB);
    EXPECT_EQ(c.enableLog, 0u);
    EXPECT_EQ(c.uartBaudrate, 115200u);
    EXPECT_EQ(c.uartFlowControl, 0u);
    EXPECT_EQ(c.flowControlOn, 1u);
    EXPECT_EQ(Zeph_GetSdkConfig(nullptr), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_SetSdkConfig(nullptr), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Library, SdkConfigIsValidatedWhole)
{
    struct Case {
        const char *what;
        std::function<void(ZephSdkConfig &)> change;
        ZephResult result;
    } cases[] = {
        {"UART link", [](ZephSdkConfig &c) { c.commStd = 2; }, ZEPH_OK},
        {"no link", [](ZephSdkConfig &c) { c.commStd = 0; }, ZEPH_ERR_INVALID_PARAMETER},
        {"link 3", [](ZephSdkConfig &c) { c.commStd = 3; }, ZEPH_ERR_INVALID_PARAMETER},
        {"link -1", [](ZephSdkConfig &c) { c.commStd = -1; }, ZEPH_ERR_INVALID_PARAMETER},
        {"9600 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 9600; }, ZEPH_OK},
        {"57600 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 57600; }, ZEPH_OK},
        {"921600 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 921600; }, ZEPH_OK},
        {"0 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 0; }, ZEPH_ERR_INVALID_PARAMETER},
        {"4800 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 4800; }, ZEPH_ERR_INVALID_PARAMETER},
        {"115201 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 115201; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"999999999 baud", [](ZephSdkConfig &c) { c.uartBaudrate = 999999999; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"hardware flow", [](ZephSdkConfig &c) { c.uartFlowControl = 1; }, ZEPH_OK},
        {"flow control 2", [](ZephSdkConfig &c) { c.uartFlowControl = 2; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"flow off", [](ZephSdkConfig &c) { c.flowControlOn = 0; }, ZEPH_OK},
        {"flow switch 2", [](ZephSdkConfig &c) { c.flowControlOn = 2; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"flow switch upper byte", [](ZephSdkConfig &c) { c.flowControlOn = 0x101; },
         ZEPH_ERR_INVALID_PARAMETER},
        {"logging on", [](ZephSdkConfig &c) { c.enableLog = 1; }, ZEPH_OK},
        {"logging garbage", [](ZephSdkConfig &c) { c.enableLog = 0xCCCCCCCC; },
         ZEPH_ERR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Zvc_Reset();
        ZephSdkConfig before{};
        ASSERT_EQ(Zeph_GetSdkConfig(&before), ZEPH_OK);
        ZephSdkConfig wanted = before;
        c.change(wanted);
        EXPECT_EQ(Zeph_SetSdkConfig(&wanted), c.result);
        ZephSdkConfig after{};
        ASSERT_EQ(Zeph_GetSdkConfig(&after), ZEPH_OK);
        const ZephSdkConfig &expected = c.result == ZEPH_OK ? wanted : before;
        EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
    }
}

TEST_F(Library, ResetForgetsTheSdkConfig)
{
    useLink(ZEPH_COMM_UART);
    Zvc_Reset();
    ZephSdkConfig c{};
    ASSERT_EQ(Zeph_GetSdkConfig(&c), ZEPH_OK);
    EXPECT_EQ(c.commStd, ZEPH_COMM_USB);
}
