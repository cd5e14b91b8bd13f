#include "app/VersionText.h"

QString VersionText::aboutText(const QByteArray &sdkDescription)
{
    return QString::asprintf("%s %s %d.%d.%d.%d\n\n%s", "Glintview", "version", kMajor, kMinor,
                             kPatch, kBuild, sdkDescription.constData());
}
