#ifndef GLINTVIEW_DEVICECONFIGRECORD_H
#define GLINTVIEW_DEVICECONFIGRECORD_H

// The camera's 52-byte configuration record as bytes, little-endian, field
// by field:
//
//   0  1  forceEncryption          20  4  uartBaudrate
//   1  1  enableDedup              24  1  uartFlowControl
//   2  2  reserved                 25 11  reserved
//   4  4  dedupThreshold (float)   36  1  deepSleepInterrupt
//   8  4  authThreshold (float)    37  1  sleepMode
//  12  1  supervisedEnrollment     38  2  sleepTimeout (seconds)
//  13  1  dataClosure              40 12  reserved
//  14  1  enableStream
//  15  1  streamScale
//  16  1  streamFormat
//  17  1  compressionQuality
//  18  2  reserved
//
// Reserved bytes are carried through untouched: the program never interprets
// them and hands them back to the camera as it read them.

#include "zeph/zeph.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace DeviceConfigRecord {

constexpr std::size_t kSize = 52;
using Bytes = std::array<uint8_t, kSize>;

Bytes encode(const ZephDeviceConfig &config);
// Exactly kSize bytes, or nothing.
std::optional<ZephDeviceConfig> decode(const uint8_t *data, std::size_t size);

// Byte-wise equality of two records, reserved bytes included.
bool same(const ZephDeviceConfig &a, const ZephDeviceConfig &b);

} // namespace DeviceConfigRecord

#endif
