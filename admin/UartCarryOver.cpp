#include "admin/UartCarryOver.h"

#include "core/AppContext.h"
#include "core/ResultText.h"

UartCarryOver::Outcome UartCarryOver::carry(AppContext &ctx)
{
    const ZephDeviceConfig &device = ctx.deviceConfig;
    if (device.uartBaudrate == ctx.sdkConfig.uartBaudrate
        && device.uartFlowControl == ctx.sdkConfig.uartFlowControl)
        return Outcome::Unchanged;

    // A zeroed or foreign record would hand the host a rate of 0 and cut
    // the serial link for good.
    if (!ctx.deviceConfigRead || device.uartBaudrate == 0) {
        ctx.showStatus(5000, "The device configuration was not read; the host's UART settings "
                             "stay as they are.");
        return Outcome::Refused;
    }

    const ZephSdkConfig before = ctx.sdkConfig;
    ctx.sdkConfig.uartBaudrate = device.uartBaudrate;
    ctx.sdkConfig.uartFlowControl = device.uartFlowControl;
    const ZephResult result = Zeph_SetSdkConfig(&ctx.sdkConfig);
    ctx.lastResult = result;
    if (result != 0) {
        // The SDK keeps what it had; so does the record of what it has.
        ctx.sdkConfig = before;
        ctx.showStatus(2000, "%s", ResultText(result));
        return Outcome::Failed;
    }
    return Outcome::Carried;
}
