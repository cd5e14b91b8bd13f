#ifndef GLINTVIEW_ADMINTEXTS_H
#define GLINTVIEW_ADMINTEXTS_H

// Texts that the device configuration dialog and the power management work
// area share.

#include "zeph/zeph.h"

#include <QString>

namespace AdminTexts {

inline QString permissionDenied()
{
    return QStringLiteral("Permission denied. You must login as Administrator to do this function.");
}

// The question before a deep sleep; a USB camera must be opened again.
inline QString deepSleepQuestion(int commStd)
{
    return commStd == ZEPH_COMM_USB
               ? QStringLiteral("WARNING: Deep sleep device only wakes up by hardware signal. USB "
                                "Device needs to be opened again after wake-up.\nDo you want to "
                                "put device into deep sleep?")
               : QStringLiteral("WARNING: Deep sleep device only wakes up by hardware signal.\n"
                                "Do you want to put device into deep sleep?");
}

// Shown instead of writing back a record the device never gave us.
inline QString configurationNotRead()
{
    return QStringLiteral("The device configuration has not been read from the device, so it "
                          "cannot be changed. Open the device again and retry.");
}

inline QString noDeviceTitle() { return QStringLiteral("Error"); }
inline QString noDevice() { return QStringLiteral("No device is opened."); }

} // namespace AdminTexts

#endif
