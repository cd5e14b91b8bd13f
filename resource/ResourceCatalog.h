#ifndef GLINTVIEW_RESOURCECATALOG_H
#define GLINTVIEW_RESOURCECATALOG_H

#include <QStringList>

namespace ResourceCatalog {

// Every file compiled into the program, as a resource path (":/resource/...").
QStringList allPaths();

// ":/resource/image/" + name + ".BMP": the picture the matching work area shows.
QString resultPicture(const QString &name);

// The six verdict picture names, e.g. "ACCESSGRANTED".
QStringList resultPictureNames();

} // namespace ResourceCatalog

#endif
