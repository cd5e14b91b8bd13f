// The camera's 52-byte configuration record: the firmware's validation rules
// and the file in which each camera keeps it (config.bin in its folder).
#ifndef ZEPH_VIRTUAL_DEVICECONFIGCODEC_H
#define ZEPH_VIRTUAL_DEVICECONFIGCODEC_H

#include "zeph/zeph.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zvc {

class DeviceConfigCodec {
public:
    static constexpr std::size_t kRecordSize = 52;
    // "ZVDC", format version, record size, record, CRC-32 of all before it.
    static constexpr std::size_t kFileSize = 4 + 2 + 2 + kRecordSize + 4;

    // The record as the camera sends it over the link, little-endian.
    static std::vector<uint8_t> encodeRecord(const ZephDeviceConfig &config);
    static std::optional<ZephDeviceConfig> decodeRecord(const uint8_t *data, std::size_t size);

    static std::vector<uint8_t> encodeFile(const ZephDeviceConfig &config);
    // Nothing but an intact file of this format with a valid record is accepted.
    static std::optional<ZephDeviceConfig> decodeFile(const std::vector<uint8_t> &bytes);

    // What the firmware accepts; reserved bytes are not judged.
    static bool isValid(const ZephDeviceConfig &config);
    static bool isStandardBaudrate(uint32_t baud);
};

} // namespace zvc

#endif
