#ifndef GLINTVIEW_WORKAREAFACTORY_H
#define GLINTVIEW_WORKAREAFACTORY_H

#include <QWidget>

// Numbering of the work areas, as kept in AppContext::currentWorkArea.
enum WorkAreaIndex {
    WorkAreaSetting = 0,
    WorkAreaCapture = 1,
    WorkAreaMatching = 2,
    WorkAreaSysManagement = 3,
    WorkAreaLogin = 4,
    WorkAreaRecovery = 5,
    WorkAreaPowerManagement = 10
};

// The one place that knows every work-area class. Returns null for indexes
// that name no work area (6 to 9, above 10, negative).
class WorkAreaFactory
{
public:
    static QWidget *create(int index, QWidget *parent);
};

#endif
