#include "device/DevicePropertiesText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int boundedLength(const char *field, std::size_t size)
{
    const void *nul = std::memchr(field, 0, size);
    return static_cast<int>(nul ? static_cast<const char *>(nul) - field : size);
}

} // namespace

std::string DevicePropertiesText(const ZephDeviceInfo &info)
{
    // 64 + 19 characters of text and six numbers: 512 bytes always suffice.
    char buffer[512];
    const int n = std::snprintf(
        buffer, sizeof buffer,
        "Product ID: 0x%04x\r\nProduct Name: %.*s\r\nSerial Number: %.*s\r\n"
        "Device Properties Flag: 0x%08x\r\nKernel Version: %d.%d\r\nDevice Features:\r\n",
        info.productId, boundedLength(info.productName, sizeof info.productName),
        info.productName, boundedLength(info.serialNumber, sizeof info.serialNumber),
        info.serialNumber, info.propertiesFlag, static_cast<int>(info.kernelMajor),
        static_cast<int>(info.kernelMinor));
    const std::size_t length = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), sizeof buffer - 1);
    std::string text(buffer, length);
    if (info.features == 0)
        text += "\t- NONE\r\n";
    if (info.features & 1u)
        text += "\t- Template generation\r\n";
    if (info.features & 2u)
        text += "\t- Template comparison\r\n";
    return text;
}
