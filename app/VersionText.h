#ifndef GLINTVIEW_VERSIONTEXT_H
#define GLINTVIEW_VERSIONTEXT_H

#include <QByteArray>
#include <QString>

namespace VersionText {
constexpr int kMajor = 3, kMinor = 3, kPatch = 0, kBuild = 123;

// "Glintview version 3.3.0.123", a blank line, then the SDK's description.
QString aboutText(const QByteArray &sdkDescription);
}

#endif
