#ifndef GLINTVIEW_SETTINGSTEMPCODEC_H
#define GLINTVIEW_SETTINGSTEMPCODEC_H

// glintview.tmp, the small binary settings file of the SDK setting work area:
// 544 bytes, little-endian, encoded and decoded field by field.
//
//   0    4  format tag, 32
//   4    4  byte 0: "Save best image" checked (0/1); bytes 1..3 filler
//   8  520  saved-image folder, 260 UTF-16 code units, zero-terminated/padded
// 528    4  raw image as BMP (1) or RAW (0)
// 532    4  UART baud rate
// 536    4  UART flow-control byte, widened
// 540    4  communication method (1 USB, 2 UART)
//
// Plain C++ without Qt, so that the fuzz target can take it as it is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace SettingsTempCodec {

constexpr std::size_t kFileSize = 544;
constexpr uint32_t kFormatTag = 32;
constexpr std::size_t kPathUnits = 260;     // the field, terminator included
constexpr std::size_t kMaxPathUnits = 259;  // text that fits

struct Record {
    bool saveBestImage = false;
    // At most kMaxPathUnits units; empty: no folder stored.
    std::u16string savedImagePath;
    // Only a stored 1 means BMP; any other value reads as RAW.
    bool rawImageAsBmp = false;
    // The UART fields are absent when the file holds a value the program
    // could never have written: a baud rate of 0, a flow control other than
    // 0/1, a method other than 1/2. An absent field leaves the current value.
    std::optional<uint32_t> uartBaudrate;
    std::optional<uint8_t> uartFlowControl;
    std::optional<int32_t> pendingCommStd;

    bool operator==(const Record &other) const;
    bool operator!=(const Record &other) const { return !(*this == other); }
};

using Bytes = std::array<uint8_t, kFileSize>;

// The whole file in; nothing unless it is exactly kFileSize bytes with the tag.
std::optional<Record> decode(const uint8_t *data, std::size_t size);

// Exactly kFileSize bytes. A path longer than kMaxPathUnits is cut there (never
// through a surrogate pair); callers refuse such paths before they get here.
// Absent UART fields are written as values that read back as absent.
Bytes encode(const Record &record);

// True when `path` fits the path field whole.
inline bool pathFits(const std::u16string &path) { return path.size() <= kMaxPathUnits; }

} // namespace SettingsTempCodec

#endif
