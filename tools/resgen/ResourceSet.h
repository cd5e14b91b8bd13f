#ifndef RESGEN_RESOURCESET_H
#define RESGEN_RESOURCESET_H

#include <QByteArray>
#include <QImage>
#include <QString>

namespace resgen {

class OutputFolder;

// Everything the program carries: icon/, image/ and sound/.
class ResourceSet
{
public:
    static constexpr int IconSizes[] = {16, 32, 48, 256};
    static constexpr int GlyphSize = 32;

    // The one font family the pictures are set in; painting with a
    // substitute would give other bytes on another machine.
    static bool houseFontInstalled();

    // Writes every resource; stops at the first failure (see lastError of the folder).
    static bool writeAll(OutputFolder &out);

    static QByteArray png(const QImage &image);
};

} // namespace resgen

#endif
