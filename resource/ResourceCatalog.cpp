#include "ResourceCatalog.h"

namespace ResourceCatalog {

QStringList resultPictureNames()
{
    return {QStringLiteral("ACCESSGRANTED"),       QStringLiteral("ACCESSDENIED"),
            QStringLiteral("ENROLLMENTSUCCEEDED"), QStringLiteral("ENROLLMENTFAILED"),
            QStringLiteral("UNENROLLMENTSUCCEEDED"), QStringLiteral("UNENROLLMENTFAILED")};
}

QString resultPicture(const QString &name)
{
    return QStringLiteral(":/resource/image/") + name + QStringLiteral(".BMP");
}

QStringList allPaths()
{
    QStringList paths = {
        QStringLiteral(":/resource/icon/play.png"),
        QStringLiteral(":/resource/icon/next.png"),
        QStringLiteral(":/resource/icon/corvane.ico"),
        QStringLiteral(":/resource/image/banner.png"),
        QStringLiteral(":/resource/image/banner_bino.png"),
    };
    for (const QString &name : resultPictureNames()) {
        paths.append(resultPicture(name));
        paths.append(QStringLiteral(":/resource/image/") + name + QStringLiteral(".PNG"));
    }
    paths += {
        QStringLiteral(":/resource/sound/start-A.wav"),
        QStringLiteral(":/resource/sound/start-F.wav"),
        QStringLiteral(":/resource/sound/capture.wav"),
        QStringLiteral(":/resource/sound/timeout.wav"),
    };
    return paths;
}

} // namespace ResourceCatalog
