#include "app/WorkAreaFactory.h"

#include "admin/PowerManagement.h"
#include "admin/RecoveryWidget.h"
#include "app/PlaceholderWorkArea.h"
#include "capture/CaptureWidget.h"
#include "device/ZephSettingWidget.h"
#include "matching/EnrollWidget.h"

QWidget *WorkAreaFactory::create(int index, QWidget *parent)
{
    switch (index) {
    case WorkAreaSetting:
        return new ZephSettingWidget(parent);
    case WorkAreaCapture:
        return new CaptureWidget(parent);
    case WorkAreaMatching:
        return new EnrollWidget(parent);
    case WorkAreaSysManagement:
        return new PlaceholderWorkArea(QStringLiteral("System Management"), parent);
    case WorkAreaLogin:
        return new PlaceholderWorkArea(QStringLiteral("Login"), parent);
    case WorkAreaRecovery:
        return new RecoveryWidget(parent);
    case WorkAreaPowerManagement:
        return new PowerManagement(parent);
    default:
        return nullptr;
    }
}
