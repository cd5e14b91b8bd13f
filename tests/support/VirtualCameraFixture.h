#ifndef GLINTVIEW_TESTS_VIRTUALCAMERAFIXTURE_H
#define GLINTVIEW_TESTS_VIRTUALCAMERAFIXTURE_H

// Gives a test a fresh virtual camera (own state folder, instant time, the
// default devices) and a fresh AppContext as the program builds it at start-up,
// with Config.xml in a temporary folder. A modal dialog nobody drives fails
// the test and is ended.

#include "core/AppContext.h"
#include "support/ModalGuard.h"

#include <QTemporaryDir>
#include <memory>

class VirtualCameraFixture
{
public:
    VirtualCameraFixture();
    ~VirtualCameraFixture();

    AppContext &context() { return *m_context; }
    QString folder() const { return m_dir.path(); }
    // Selects a device by name for the next AppContext::openDevice.
    void select(const char *name);

private:
    ModalGuard m_dialogs;
    QTemporaryDir m_dir;
    std::unique_ptr<AppContext> m_context;
};

#endif
