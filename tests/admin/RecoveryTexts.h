#ifndef GLINTVIEW_TESTS_RECOVERYTEXTS_H
#define GLINTVIEW_TESTS_RECOVERYTEXTS_H

// What the automatic recovery says, shared by its procedure and dialog tests.

#include <QString>

namespace RecoveryTexts {
const QString D = QStringLiteral("Device IO error detected. Please wait for auto-recovery completed.");
const QString S = QStringLiteral("Recovery done successfully!");
const QString U = QStringLiteral(
    "Recovery is unsuccessful. Please disconnect the device then connect it again.");
const QString V = QStringLiteral("Verifying IO requests to device...");
const QString R = QStringLiteral("Re-connecting device...");
const QString C0 = QStringLiteral("Cancelling USB IO requests...");
const QString P1 = QStringLiteral("Resetting USB pipes...");
const QString P2 = QStringLiteral("Resetting USB ports...");
const QString P3 = QStringLiteral("Power-cycling USB port...");
const QString P4 = QStringLiteral("Soft-resetting device...");
const QString Q = QStringLiteral(
    "You are suggested to soft-reset the device. This will reset the device's firmware to "
    "initial state and any uncommitted data will be lost.\nDo you want to soft-reset the "
    "device?");
inline QString failed(const char *resultText)
{
    return QStringLiteral("Failed to perform recovery function. %1. Please check the device is "
                          "being connected.")
        .arg(QLatin1String(resultText));
}
} // namespace RecoveryTexts

#endif
