// Fuzz target for the glintview.tmp codec: any bytes must decode without
// misbehaving, and whatever decodes must survive a round trip:
//  - encode gives exactly 544 bytes, which decode back to the same record;
//  - encoding that record again gives the same bytes.

#include "device/SettingsTempCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace codec = SettingsTempCodec;

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "fuzz_settings_tmp: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<codec::Record> record = codec::decode(data, size);
    if (!record)
        return 0;
    if (size != codec::kFileSize)
        fault("accepted a file that is not 544 bytes");
    if (record->savedImagePath.size() > codec::kMaxPathUnits)
        fault("path longer than its field");
    for (char16_t unit : record->savedImagePath)
        if (unit == 0)
            fault("path holds its terminator");
    if (record->pendingCommStd && *record->pendingCommStd != 1 && *record->pendingCommStd != 2)
        fault("method other than 1 or 2 accepted");
    if (record->uartFlowControl && *record->uartFlowControl > 1)
        fault("flow control other than 0 or 1 accepted");

    const codec::Bytes bytes = codec::encode(*record);
    const std::optional<codec::Record> again = codec::decode(bytes.data(), bytes.size());
    if (!again || *again != *record)
        fault("encode then decode changed the record");
    if (codec::encode(*again) != bytes)
        fault("encoding is not stable");
    return 0;
}
