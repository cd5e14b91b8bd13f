#ifndef GLINTVIEW_APPCONTEXT_H
#define GLINTVIEW_APPCONTEXT_H

// The one global application context: the link and device state, the
// settings (inherited from AppSettings), the capture state and the shared
// buffers. Work areas reach the camera only through it. It has no lock: the
// GUI thread leaves the fields a background task writes alone until the
// task has finished (the task runs behind a modal dialog).

#include "core/AppSettings.h"
#include "core/LastCapture.h"
#include "zeph/zeph.h"

#include <QPointer>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CaptureService;
class ConfigFile;
class RecoveryOffer;

class QStatusBar;

// Who is logged in on the camera: the ID as text, then the role.
struct LoginSession {
    char id[256] = {};
    int32_t role = 0;
};

class AppContext : public AppSettings
{
public:
    static constexpr int kFrameBufferSize = 640 * 480;

    AppContext();
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    // The context of this run; null before start-up and after exit.
    static AppContext *instance();

    // Start-up initialisation: SDK version and description, buffers,
    // Config.xml from `configDirectory`, and the fit to `availableScreen`.
    void initialize(const QRect &availableScreen, const QString &configDirectory);

    // Makes sure the selected device is open. quiet: no box for a missing name.
    ZephResult openDevice(bool quiet = false);
    ZephResult closeDevice();
    // printf-style text in the status bar for `milliseconds`; empty clears it.
    void showStatus(int milliseconds, const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    QString statusMessage() const { return QString::fromLocal8Bit(statusText); }
    // Forgets the last capture and the live frames. The result fetch keeps
    // the completion time (it belongs to the capture being fetched).
    void resetCaptureState(bool keepCaptureTime = false);

    // The camera around a capture; each stores its result in lastResult.
    ZephResult initCamera();
    ZephResult stopCamera();
    ZephResult deinitCamera();

    bool loadConfig();
    bool saveConfig();

    // The gallery (AppContextGallery.cpp). loadGallery loads it when the
    // camera has not yet; false only when that load failed (after its box).
    // Any output may be null.
    bool loadGallery(ZephResult *result, const char *const **ids, int32_t *count,
                     int32_t *extra1, int32_t *extra2);
    // Copies of the gallery's IDs, in its order, each read no further than
    // its 32-byte field; empty without a device or a gallery.
    QList<QByteArray> enrolleeIdList();
    ZephResult commitGallery();
    // Frees the capture image buffers and the frame buffer (exit sequence).
    void releaseBuffers();

    // Link and device
    std::unique_ptr<LoginSession> loginId;
    ZephResult lastResult = 0;
    int32_t sdkVersion = 0;
    char sdkDescription[256] = {};
    int32_t sdkDescriptionSize = 255;
    char openedDeviceName[ZEPH_DEVICE_NAME_SIZE] = {};
    char selectedDeviceName[ZEPH_DEVICE_NAME_SIZE] = {};
    std::atomic<uint8_t> suppressUnplugNotice{0};
    QStringList deviceList;
    const char *const *scannedDeviceNames = nullptr;
    int32_t scannedDeviceCount = 0;
    ZephHandle deviceHandle = 0;
    ZephDeviceInfo deviceInfo{};
    char statusText[256] = {};
    int32_t cameraValue1 = 0;
    int32_t cameraValue2 = 0;
    uint8_t cameraInitialized = 0;
    // deviceConfig holds a record the open device answered or accepted; until
    // then it may be zero or another device's, and must not be written back.
    bool deviceConfigRead = false;

    // Capture
    LiveFrames liveFrames;
    LastCapture lastCapture;
    char currentEnrolleeId[ZEPH_ID_SIZE] = {};
    QVector<QRgb> grayColorTable;
    std::vector<uint8_t> frameBuffer;

    // Window
    int32_t currentWorkArea = -1;
    QPointer<QStatusBar> statusBar;
    int32_t windowWidth = 1300;
    int32_t windowHeight = 700;
    float uiScale = 1.0f;

    // The automatic recovery, installed by the shell before initialize();
    // owned from then on. Null in a context nobody installed one in.
    void installRecoveryOffer(std::unique_ptr<RecoveryOffer> offer);
    RecoveryOffer *recoveryOffer() const { return m_recoveryOffer.get(); }
    // Hands a failed result to the recovery; false when none is installed.
    bool offerRecovery(ZephResult result);
    bool isRecoveryRunning() const;
    std::unique_ptr<ConfigFile> configFile;

    QString configDirectory;

    // Fetching and showing capture results, installed by the shell; owned
    // from then on and gone before the capture state it works on.
    void installCaptureService(std::unique_ptr<CaptureService> service);
    CaptureService *captureService() const { return m_captureService.get(); }

private:
    std::unique_ptr<RecoveryOffer> m_recoveryOffer;
    std::unique_ptr<CaptureService> m_captureService;
};

#endif
