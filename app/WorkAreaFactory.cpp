#include "app/WorkAreaFactory.h"

#include "app/PlaceholderWorkArea.h"

QWidget *WorkAreaFactory::create(int index, QWidget *parent)
{
    switch (index) {
    case WorkAreaSetting:
        return new PlaceholderWorkArea(QStringLiteral("SDK Setting"), parent);
    case WorkAreaCapture:
        return new PlaceholderWorkArea(QStringLiteral("Capture"), parent);
    case WorkAreaMatching:
        return new PlaceholderWorkArea(QStringLiteral("Matching"), parent);
    case WorkAreaSysManagement:
        return new PlaceholderWorkArea(QStringLiteral("System Management"), parent);
    case WorkAreaLogin:
        return new PlaceholderWorkArea(QStringLiteral("Login"), parent);
    case WorkAreaRecovery:
        return new PlaceholderWorkArea(QStringLiteral("Recovery"), parent);
    case WorkAreaPowerManagement:
        return new PlaceholderWorkArea(QStringLiteral("Power Management"), parent);
    default:
        return nullptr;
    }
}
