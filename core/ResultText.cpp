#include "core/ResultText.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

struct Entry {
    ZephResult code;
    const char *text;
};

// Sorted by code for the binary search below.
constexpr Entry kTable[] = {
    {0x0000, "Done"},
    {0x0001, "Function failed"},
    {0x0002, "Device not found"},
    {0x0003, "Device opening failed"},
    {0x0004, "Device not open"},
    {0x0005, "Device already opened"},
    {0x0006, "Device access denied"},
    {0x0007, "Too many device opened"},
    {0x0008, "Device IO failed"},
    {0x0009, "Device IO timeout"},
    {0x000A, "Device IO data is invalid"},
    {0x000B, "Image format unsupported"},
    {0x000C, "Memory allocation failed"},
    {0x000D, "Invalid memory"},
    {0x000E, "Invalid handle"},
    {0x000F, "Invalid parameter"},
    {0x0010, "Unmatched iris(es) or wrong user role."},
    {0x0011, "Not enough buffer"},
    {0x0012, "Version incompatible"},
    {0x0013, "Thread failed"},
    {0x0014, "Command unsupported"},
    {0x0015, "Image corrupted"},
    {0x0016, "Wrong eye subtype"},
    {0x0017, "Unknown device"},
    {0x00FF, "Unexpected error"},
    {0x1001, "(Device) Out of memory"},
    {0x1002, "(Device) Not enough memory"},
    {0x1003, "(Device) Insufficient buffer"},
    {0x1005, "(Device) IO failed"},
    {0x1006, "(Device) Module not found"},
    {0x1007, "(Device) Procedure not found"},
    {0x1008, "(Device) Bad data"},
    {0x1009, "(Device) Function disabled"},
    {0x100A, "(Device) Device locked"},
    {0x100B, "Device is busy"},
    {0x10FF, "(Device) Runtime exception"},
    {0x2001, "Security failed"},
    {0x2002, "(Security) Initilization failed"},
    {0x2003, "(Security) Wrong cryptography password"},
    {0x2004, "(Security) Bad cryptography length"},
    {0x2005, "(Security) Bad cryptography data"},
    {0x2006, "(Security) Bad cryptography algorithm"},
    {0x2007, "(Security) Bad cryptography key"},
    {0x2008, "(Security) Bad signature"},
    {0x2009, "(Security) Encryption error"},
    {0x200A, "(Security) Decryption error"},
    {0x200B, "(Security) Import error"},
    {0x200C, "(Security) Export error"},
    {0x200D, "(Security) Key generating error"},
    {0x200E, "(Security) Hashing error"},
    {0x200F, "(Security) Signing error"},
    {0x2010, "(Security) Permission Denied"},
    {0x3001, "Camera not initilized"},
    {0x3002, "Cannot access to iris camera"},
    {0x3003, "Cannot start/stop a capture"},
    {0x3004, "Quality mesurement is not initilized"},
    {0x3005, "Iris frame is not available"},
    {0x3006, "No qualified iris frame is available"},
    {0x3007, "No qualified frame for the right iris"},
    {0x3008, "No qualified frame for the left iris"},
    {0x3009, "Image compression failed"},
    {0x4001, "Template gallery is not initialized"},
    {0x4002, "Loading template gallery failed"},
    {0x4003, "Template gallery is empty"},
    {0x4004, "Template gallery is full"},
    {0x4005, "Enrollee ID does not exist"},
    {0x4006, "Not enough free slots for current enrollee ID"},
    {0x4007, "Not enough free slots for new enrollment"},
    {0x4008, "Exceeding maximum slot for an enrollee ID"},
    {0x4009, "Duplicated iris enrollment is not allowed"},
    {0x5001, "Iris template is not available"},
    {0x5002, "Template is corrupted"},
    {0x5003, "Cannot generate template due to unexpected error"},
    {0x5004, "Failed to do matching due to unexpected error"},
    {0x5005, "Template type is invalid"},
    {0x6001, "Algorithm version is invalid"},
    {0x6002, "Algorithm failed"},
    {0x6003, "Algorithm not initilized"},
};

static_assert(std::size(kTable) == 78, "78 codes have a fixed message");

const Entry *find(ZephResult code)
{
    const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), code,
                                     [](const Entry &e, ZephResult c) { return e.code < c; });
    return (it != std::end(kTable) && it->code == code) ? it : nullptr;
}

} // namespace

bool ResultTextKnown(ZephResult result)
{
    return find(result) != nullptr;
}

const char *ResultText(ZephResult result)
{
    if (const Entry *e = find(result))
        return e->text;
    // "Error Code 0xffffffff" is the longest form: 21 characters.
    thread_local char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Error Code 0x%x", static_cast<unsigned>(result));
    return buffer;
}
