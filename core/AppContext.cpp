#include "core/AppContext.h"

#include "core/AppConfig.h"
#include "core/CaptureService.h"
#include "core/ConfigFile.h"
#include "core/FixedText.h"
#include "core/MessageBox.h"
#include "core/RecoveryOffer.h"
#include "core/ResultText.h"
#include "core/ScreenFit.h"

#include <QMetaObject>
#include <QStatusBar>
#include <QThread>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
AppContext *g_context = nullptr;
}

AppContext *AppContext::instance()
{
    return g_context;
}

AppContext::AppContext()
{
    g_context = this;
    deviceInfo.binocular = 1;
}

AppContext::~AppContext()
{
    // Closing the device is the last thing the context does for the camera.
    if (deviceHandle != 0) {
        lastResult = Zeph_CloseDevice(deviceHandle);
        deviceHandle = 0;
        cameraInitialized = 0;
    }
    m_captureService.reset();
    m_recoveryOffer.reset();
    if (g_context == this)
        g_context = nullptr;
}

void AppContext::initialize(const QRect &availableScreen, const QString &configDir)
{
    grayColorTable.resize(256);
    for (int i = 0; i < 256; ++i)
        grayColorTable[i] = qRgb(i, i, i);

    sdkVersion = Zeph_GetSdkVersion();
    sdkDescriptionSize = 255;
    lastResult = Zeph_GetSdkDescription(sdkDescription, &sdkDescriptionSize);
    sdkDescription[sizeof sdkDescription - 1] = 0; // whatever the library wrote

    frameBuffer.assign(kFrameBufferSize, 0);
    configDirectory = configDir;
    loadConfig();

    const ScreenFit fit = ScreenFit::fit(availableScreen);
    windowWidth = fit.windowWidth;
    windowHeight = fit.windowHeight;
    uiScale = fit.uiScale;
}

void AppContext::installRecoveryOffer(std::unique_ptr<RecoveryOffer> offer)
{
    m_recoveryOffer = std::move(offer);
}

bool AppContext::offerRecovery(ZephResult result)
{
    return m_recoveryOffer && m_recoveryOffer->offerRecovery(result);
}

bool AppContext::isRecoveryRunning() const
{
    return m_recoveryOffer && m_recoveryOffer->isRecoveryRunning();
}

ZephResult AppContext::openDevice(bool quiet)
{
    if (deviceHandle != 0 && FixedText::equals(selectedDeviceName, openedDeviceName))
        return 0;

    if (selectedDeviceName[0] == 0) {
        if (!quiet)
            MessageBox::critical(nullptr, QStringLiteral("Error"),
                                 QStringLiteral("No device selected or entered"));
        return ZEPH_ERR_INVALID_PARAMETER;
    }

    if (deviceHandle != 0) {
        lastResult = Zeph_CloseDevice(deviceHandle);
        deviceHandle = 0;
        cameraInitialized = 0;
    }

    FixedText::copy(openedDeviceName, FixedText::read(selectedDeviceName));
    showStatus(1000, "Opening device...");

    lastResult = Zeph_OpenDevice(openedDeviceName, &deviceHandle);
    if (lastResult != 0) {
        deviceHandle = 0;
        showStatus(2000, "%s", ResultText(lastResult));
        return lastResult;
    }

    lastResult = Zeph_GetDeviceInfo(deviceHandle, &deviceInfo);
    if (offerRecovery(lastResult) && deviceHandle != 0)
        lastResult = Zeph_GetDeviceInfo(deviceHandle, &deviceInfo);
    if (lastResult != 0) {
        // Without its information record the device is no use to anyone;
        // close it so that the next call tries again from the start.
        const ZephResult failure = lastResult;
        if (deviceHandle != 0)
            Zeph_CloseDevice(deviceHandle);
        deviceHandle = 0;
        cameraInitialized = 0;
        lastResult = failure;
        return failure;
    }

    resetCaptureState();
    loginId.reset();

    std::memset(&deviceConfig, 0, sizeof deviceConfig);
    deviceConfigRead = false;
    ZephDeviceConfig read{};
    const ZephResult configResult = Zeph_GetDeviceConfig(deviceHandle, &read);
    if (configResult == 0) {
        deviceConfig = read;
        deviceConfigRead = true;
    }
    offerRecovery(configResult);

    return lastResult;
}

ZephResult AppContext::closeDevice()
{
    if (deviceHandle == 0)
        return 0;
    lastResult = Zeph_CloseDevice(deviceHandle);
    deviceHandle = 0;
    cameraInitialized = 0;
    return lastResult;
}

void AppContext::showStatus(int milliseconds, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(statusText, sizeof statusText, format ? format : "", args);
    va_end(args);

    QStatusBar *bar = statusBar.data();
    if (!bar)
        return;
    const QString text = QString::fromLocal8Bit(statusText);
    if (QThread::currentThread() == bar->thread()) {
        if (text.isEmpty())
            bar->clearMessage();
        else
            bar->showMessage(text, milliseconds);
    } else {
        QMetaObject::invokeMethod(bar, "showMessage", Qt::QueuedConnection,
                                  Q_ARG(QString, text), Q_ARG(int, milliseconds));
    }
}

void AppContext::resetCaptureState(bool keepCaptureTime)
{
    lastCapture.lastCaptureResult = ZEPH_ERR_FRAME_NOT_AVAILABLE;
    lastCapture.rightResult = 0;
    lastCapture.leftResult = 0;
    lastCapture.hasRightImage = false;
    lastCapture.hasLeftImage = false;
    lastCapture.rightQuality = ZephQuality{};
    lastCapture.leftQuality = ZephQuality{};
    if (!keepCaptureTime)
        lastCapture.captureTime = 0;
    std::lock_guard<std::mutex> lock(liveFrames.guard);
    liveFrames.hasRightFrame = false;
    liveFrames.hasLeftFrame = false;
    liveFrames.events.clear();
    liveFrames.captureStatus = 0;
    liveFrames.previousCaptureStatus = 0;
    liveFrames.captureError = 0;
}

ZephResult AppContext::initCamera()
{
    if (cameraInitialized)
        return 0;
    showStatus(1000, "Initializing camera...");
    lastResult = Zeph_InitCamera(deviceHandle, &cameraValue1, &cameraValue2);
    if (lastResult == 0)
        cameraInitialized = 1;
    return lastResult;
}

ZephResult AppContext::stopCamera()
{
    if (deviceHandle == 0) {
        lastResult = ZEPH_ERR_NOT_OPEN;
        return lastResult;
    }
    showStatus(2000, "Stopping camera...");
    const ZephResult stopped = Zeph_StopCapture(deviceHandle);
    const ZephResult deinit = Zeph_DeinitCamera(deviceHandle);
    cameraInitialized = 0;
    lastResult = stopped != 0 ? stopped : deinit;
    return lastResult;
}

ZephResult AppContext::deinitCamera()
{
    if (!cameraInitialized)
        return 0;
    cameraInitialized = 0;
    return Zeph_DeinitCamera(deviceHandle);
}

void AppContext::installCaptureService(std::unique_ptr<CaptureService> service)
{
    m_captureService = std::move(service);
}

void AppContext::releaseBuffers()
{
    std::lock_guard<std::mutex> lock(liveFrames.guard);
    lastCapture.rightImage.release();
    lastCapture.leftImage.release();
    liveFrames.rightFrame.release();
    liveFrames.leftFrame.release();
    std::vector<uint8_t>().swap(frameBuffer);
}

bool AppContext::loadConfig()
{
    configFile = std::make_unique<ConfigFile>();
    return AppConfig::load(*this, *configFile, configDirectory);
}

bool AppContext::saveConfig()
{
    // A failure is not the operator's business at exit; ConfigFile logs it.
    return configFile && AppConfig::save(*this, *configFile);
}
