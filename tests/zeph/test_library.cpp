// Library family: description and host-side SDK configuration.
#include "VcamFixture.h"

#include <cstring>
#include <string>

using Library = vcamtest::VcamTest;

TEST_F(Library, DescriptionIsCutToTheCallersCapacity)
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
    int32_t negative = -1;
    EXPECT_EQ(Zeph_GetSdkDescription(nullptr, &wholeLength), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_GetSdkDescription(whole, nullptr), ZEPH_ERR_INVALID_PARAMETER);
    EXPECT_EQ(Zeph_GetSdkDescription(whole, &negative), ZEPH_ERR_INVALID_PARAMETER);
}

TEST_F(Library, SdkConfigStartsOnUsbAt115200AndResetRestoresIt)
{
    useLink(ZEPH_COMM_UART);
    Zvc_Reset();
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
    enum Field { Link, Baud, Flow, FlowOn, Log };
    struct Case {
        Field field;
        int64_t value;
        ZephResult result;
    } cases[] = {
        {Link, 2, ZEPH_OK},          {Link, 0, ZEPH_ERR_INVALID_PARAMETER},
        {Link, 3, ZEPH_ERR_INVALID_PARAMETER}, {Link, -1, ZEPH_ERR_INVALID_PARAMETER},
        {Baud, 9600, ZEPH_OK},       {Baud, 57600, ZEPH_OK},
        {Baud, 921600, ZEPH_OK},     {Baud, 0, ZEPH_ERR_INVALID_PARAMETER},
        {Baud, 4800, ZEPH_ERR_INVALID_PARAMETER}, {Baud, 115201, ZEPH_ERR_INVALID_PARAMETER},
        {Baud, 999999999, ZEPH_ERR_INVALID_PARAMETER},
        {Flow, 1, ZEPH_OK},          {Flow, 2, ZEPH_ERR_INVALID_PARAMETER},
        {FlowOn, 0, ZEPH_OK},        {FlowOn, 2, ZEPH_ERR_INVALID_PARAMETER},
        {FlowOn, 0x101, ZEPH_ERR_INVALID_PARAMETER}, // the upper bytes count too
        {Log, 1, ZEPH_OK},           {Log, 0xCCCCCCCC, ZEPH_ERR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << c.field << " value " << c.value);
        Zvc_Reset();
        ZephSdkConfig before{};
        ASSERT_EQ(Zeph_GetSdkConfig(&before), ZEPH_OK);
        ZephSdkConfig wanted = before;
        const auto u = static_cast<uint32_t>(c.value);
        switch (c.field) {
        case Link: wanted.commStd = static_cast<int32_t>(c.value); break;
        case Baud: wanted.uartBaudrate = u; break;
        case Flow: wanted.uartFlowControl = u; break;
        case FlowOn: wanted.flowControlOn = u; break;
        case Log: wanted.enableLog = u; break;
        }
        EXPECT_EQ(Zeph_SetSdkConfig(&wanted), c.result);
        ZephSdkConfig after{};
        ASSERT_EQ(Zeph_GetSdkConfig(&after), ZEPH_OK);
        const ZephSdkConfig &expected = c.result == ZEPH_OK ? wanted : before;
        EXPECT_EQ(std::memcmp(&after, &expected, sizeof after), 0);
    }
}
