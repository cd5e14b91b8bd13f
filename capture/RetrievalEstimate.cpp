#include "capture/RetrievalEstimate.h"

#include "core/AppSettings.h"
#include "zeph/zeph.h"

#include <algorithm>
#include <climits>
#include <cmath>

int RetrievalEstimate::estimateRetrievalTime(const Input &in)
{
    if (in.commStd != ZEPH_COMM_UART)
        return 1000;

    const int64_t rate = std::max<int64_t>(in.uartBaudrate / 8, 1); // bytes per second
    int64_t size = 307200;
    int64_t overhead = 5480;
    if (in.resultFormat == ZEPH_FORMAT_MONO_JPEG2000) {
        size = static_cast<int64_t>(in.j2kQuality) * 3096;
        overhead = 2280;
        if (size > 100000)
            size = 100000;
        else
            overhead = static_cast<int64_t>(static_cast<double>(size) * 2280 / 100000.0);
    }
    if (in.resultKind == ZEPH_KIND_K3) {
        size /= 3;
        overhead -= 2500;
    } else if (in.resultKind == ZEPH_KIND_K7) {
        size = std::min<int64_t>(size, 17000);
        overhead += 270;
    } else if (in.resultKind > ZEPH_KIND_K7) {
        overhead = -130;
    }
    if (size < rate) {
        size = 0;
        overhead = 100;
    }
    const double seconds = std::trunc(static_cast<double>(size) / static_cast<double>(rate) + 0.99);
    const double result = seconds * 1000.0 + static_cast<double>(overhead);
    if (result <= 0)
        return 50;
    return result >= INT_MAX ? INT_MAX : static_cast<int>(result);
}

int RetrievalEstimate::estimateRetrievalTime(const AppSettings &s)
{
    Input in;
    in.commStd = s.sdkConfig.commStd;
    in.uartBaudrate = s.sdkConfig.uartBaudrate;
    in.resultFormat = s.resultFormat;
    in.resultKind = s.resultKind;
    in.j2kQuality = s.j2kQuality;
    return estimateRetrievalTime(in);
}
