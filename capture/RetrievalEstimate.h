#ifndef GLINTVIEW_RETRIEVALESTIMATE_H
#define GLINTVIEW_RETRIEVALESTIMATE_H

// How long fetching a capture's results is expected to take, in
// milliseconds: only the pace of the waiting dialog's progress bar. Over USB
// it is 1000; over the UART link it follows the bytes the chosen kind and
// format make and the baud rate. A baud rate below 8 (no whole byte per
// second) counts as one byte per second rather than dividing by zero.
//
//   dialog.setAutoProgress(true, RetrievalEstimate::estimateRetrievalTime(*ctx));

#include <cstdint>

struct AppSettings;

class RetrievalEstimate
{
public:
    struct Input {
        int32_t commStd = 1;        // 2 = UART
        uint32_t uartBaudrate = 0;
        int32_t resultFormat = 0;
        int32_t resultKind = 0;
        int32_t j2kQuality = 0;
    };

    // At least 50.
    static int estimateRetrievalTime(const Input &input);
    // The same for the link in use (sdkConfig) and the result options.
    static int estimateRetrievalTime(const AppSettings &settings);
};

#endif
