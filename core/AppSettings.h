#ifndef GLINTVIEW_APPSETTINGS_H
#define GLINTVIEW_APPSETTINGS_H

// The lasting settings of the program: what Config.xml and glintview.tmp
// carry between runs, with the start values of a first run. AppContext
// inherits these fields, so every work area reads them as ctx->captureMode
// and the persistence code can be tested on a plain AppSettings.

#include "zeph/zeph.h"

#include <QString>
#include <cstdint>

struct UsbResultOptions {
    int32_t resultKind = 3;
    int32_t isoRevision = 0;
    int32_t resultFormat = 2;
    uint8_t j2kQuality = 100;
};

struct AppSettings {
    AppSettings();

    // Link
    ZephSdkConfig sdkConfig;         // 1, 1, 115200, 0, 1
    int32_t pendingCommStd = 1;

    // Capture options
    uint8_t noCaptureOptions = 0;
    int32_t captureMode = 1;         // 2 = time-based
    int32_t frameCount = 3;
    int32_t captureSeconds = 20;
    int32_t qualityMode = 1;
    int32_t operationMode = 1;
    int32_t eyeSubtype = 3;
    uint8_t startFlag = 1;
    uint8_t jpegQuality = 15;

    // Matching and enrollment thresholds
    float genuineThreshold = 1.0f;
    float imposterThreshold = 1.1f;
    int32_t qualifiedScoreForMatching = 50;
    int32_t qualifiedUsableAreaForMatching = 50;
    int32_t badScoreForMatching = 30;
    int32_t badUsableAreaForMatching = 30;
    int32_t qualifiedScoreForEnrollment = 70;
    int32_t qualifiedUsableAreaForEnrollment = 70;
    int32_t rejectedScoreForEnrollment = 50;
    int32_t rejectedUsableAreaForEnrollment = 50;

    // Result options; the USB copies hold the USB values while UART is in use.
    int32_t resultKind = 3;
    int32_t isoRevision = 0;
    int32_t isoSubtype = 0;
    int32_t resultFormat = 2;
    uint8_t j2kQuality = 100;
    UsbResultOptions usbResultOptions;
    int32_t capturedResultTimeout = 30;

    // The camera's own configuration as last read; its streaming fields may
    // come from Config.xml before a device is opened.
    ZephDeviceConfig deviceConfig;

    // Image saving (glintview.tmp)
    uint8_t saveBestImage = 0;
    int32_t rawImageAsBmp = 0;
    QString savedImagePath;
    uint8_t firstSettingsLoad = 1;

    // Gallery options (Config.xml only)
    uint8_t galleryImport = 1;
    char irisDataBase[300] = {};
};

inline AppSettings::AppSettings()
    : sdkConfig{1, 1, 115200, 0, 1}, deviceConfig{}
{
}

#endif
