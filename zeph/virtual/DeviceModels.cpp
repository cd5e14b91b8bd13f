#include "DeviceModels.h"

#include <cstdio>
#include <cstring>

namespace zvc {
namespace {

// Bits 20..23 of the properties flag pick the start sound set.
constexpr uint32_t soundSet(uint32_t set) { return (set & 0xFu) << 20; }

constexpr uint32_t kFeatureTemplateGeneration = 1u << 0;
constexpr uint32_t kFeatureTemplateComparison = 1u << 1;

uint32_t nameHash(const std::string &name)
{
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

void copyText(char *field, std::size_t size, const char *text)
{
    std::memset(field, 0, size);
    std::snprintf(field, size, "%s", text);
}

} // namespace

bool DeviceModels::isKnownModel(int32_t model)
{
    return model == ZVC_MODEL_BINOCULAR || model == ZVC_MODEL_MONOCULAR
           || model == ZVC_MODEL_BUSY_PORT;
}

bool DeviceModels::isKnownLink(int32_t link)
{
    return link == ZVC_LINK_USB || link == ZVC_LINK_UART;
}

ZephDeviceInfo DeviceModels::info(int32_t model, const std::string &name)
{
    ZephDeviceInfo info{};
    char serial[ZEPH_SERIAL_NUMBER_SIZE];
    if (model == ZVC_MODEL_BINOCULAR) {
        info.productId = 0x0B21;
        copyText(info.productName, sizeof info.productName, "Zeph IC-2 Binocular Iris Camera");
        info.binocular = 1;
        std::snprintf(serial, sizeof serial, "ZB21-%08X", nameHash(name));
        info.propertiesFlag = soundSet(1) | 0x00000003u;
        info.kernelMajor = 2;
        info.kernelMinor = 14;
        info.features = kFeatureTemplateGeneration | kFeatureTemplateComparison;
    } else {
        info.productId = 0x0A12;
        copyText(info.productName, sizeof info.productName, "Zeph IC-1 Monocular Iris Camera");
        info.binocular = 0;
        std::snprintf(serial, sizeof serial, "ZM12-%08X", nameHash(name));
        info.propertiesFlag = soundSet(0) | 0x00000001u;
        info.kernelMajor = 1;
        info.kernelMinor = 9;
        info.features = kFeatureTemplateGeneration;
    }
    copyText(info.serialNumber, sizeof info.serialNumber, serial);
    return info;
}

ZephDeviceConfig DeviceModels::factoryConfig(int32_t link)
{
    ZephDeviceConfig c{};
    c.forceEncryption = 0;
    c.enableDedup = 1;
    c.dedupThreshold = 0.95f;
    c.authThreshold = 1.0f;
    c.supervisedEnrollment = 0;
    c.dataClosure = 0;
    c.enableStream = 1;
    c.streamScale = 4;
    c.streamFormat = link == ZVC_LINK_UART ? ZEPH_FORMAT_MONO_JPEG : ZEPH_FORMAT_MONO_RAW;
    c.compressionQuality = 80;
    c.uartBaudrate = 115200;
    c.uartFlowControl = 0;
    c.deepSleepInterrupt = 0;
    c.sleepMode = ZEPH_SLEEP_SLEEP;
    c.sleepTimeout = 0;
    return c;
}

} // namespace zvc
