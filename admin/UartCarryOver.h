#ifndef GLINTVIEW_UARTCARRYOVER_H
#define GLINTVIEW_UARTCARRYOVER_H

// After the camera's UART settings changed, the host side of the serial link
// must follow them, or the next open talks at the wrong rate.

class AppContext;

class UartCarryOver
{
public:
    enum class Outcome {
        Unchanged, // the host already uses the camera's settings
        Carried,   // the SDK took the camera's settings
        Refused,   // deviceConfig holds no record of the device: nothing sent
        Failed     // the SDK refused them; the host keeps its old settings
    };

    // Copies the UART baud rate and flow control of ctx.deviceConfig into
    // ctx.sdkConfig and hands them to the SDK when they differ. Refusals and
    // failures are told in the status bar.
    static Outcome carry(AppContext &ctx);
};

#endif
