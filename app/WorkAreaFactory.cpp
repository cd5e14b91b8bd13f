#include "app/WorkAreaFactory.h"

#include "admin/LoginWidget.h"
#include "admin/PowerManagement.h"
#include "admin/RecoveryWidget.h"
#include "admin/SysManagementWidget.h"
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
        return new SysManagementWidget(parent);
    case WorkAreaLogin:
        return new LoginWidget(parent);
    case WorkAreaRecovery:
        return new RecoveryWidget(parent);
    case WorkAreaPowerManagement:
        return new PowerManagement(parent);
    default:
        return nullptr;
    }
}
