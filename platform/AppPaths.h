#ifndef GLINTVIEW_APPPATHS_H
#define GLINTVIEW_APPPATHS_H

#include <QString>

// Well-known directories of the host system.
class AppPaths
{
public:
    // Folder of the running executable (Config.xml and "Best" live there).
    static QString executableDirectory();
    // The system's temporary folder (glintview.tmp lives there).
    static QString temporaryDirectory();
};

#endif
