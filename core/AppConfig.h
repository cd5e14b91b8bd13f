#ifndef GLINTVIEW_APPCONFIG_H
#define GLINTVIEW_APPCONFIG_H

// The lasting settings in and out of Config.xml: which group and key holds
// which field, the checks that keep the thresholds usable, and the order the
// values are written in.

#include "core/AppSettings.h"
#include "core/ConfigFile.h"

#include <QString>
#include <cstdint>

class AppConfig
{
public:
    // Loads <directory>/Config.xml into s (creating the file when it is
    // missing or broken), then checks the thresholds. False when the path
    // does not fit or nothing could be loaded; s then keeps what it had.
    static bool load(AppSettings &s, ConfigFile &file, const QString &directory);
    // Sets every value in the document and writes the file.
    static bool save(const AppSettings &s, ConfigFile &file);

    // Leading blanks, an optional sign, then digits up to the first other
    // character; no digits give 0, too many saturate.
    static int32_t readInteger(const char *text);
    // The same, with an optional fraction after a point.
    static float readDecimal(const char *text);
    // Non-positive values fall back first, then pairs in the wrong order do.
    static void checkMatchingThresholds(AppSettings &s);
    static void checkEnrollmentThresholds(AppSettings &s);
};

#endif
