#include "support/VirtualCameraFixture.h"

#include "admin/AutoRecoveryDlg.h"
#include "capture/CaptureResults.h"
#include "core/FixedText.h"
#include "zeph/virtual_camera.h"

#include <QDir>

VirtualCameraFixture::VirtualCameraFixture()
{
    const QByteArray state = QDir(m_dir.path()).filePath(QStringLiteral("camera")).toLocal8Bit();
    Zvc_SetTimeScale(0.0);
    Zvc_SetStateDirectory(state.constData());
    Zvc_Reset();
    m_context = std::make_unique<AppContext>();
    m_context->installRecoveryOffer(std::make_unique<AutoRecoveryDlg>());
    m_context->installCaptureService(std::make_unique<CaptureResults>(*m_context));
    m_context->initialize(QRect(0, 0, 1920, 1080), m_dir.path());
}

VirtualCameraFixture::~VirtualCameraFixture()
{
    m_context.reset();
    Zvc_Reset();
}

void VirtualCameraFixture::select(const char *name)
{
    FixedText::copy(m_context->selectedDeviceName, name);
}
