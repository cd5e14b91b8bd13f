#ifndef RESGEN_ICOWRITER_H
#define RESGEN_ICOWRITER_H

#include <QByteArray>
#include <QVector>

namespace resgen {

// Writes a Windows icon container whose entries are PNG streams: a 6-byte
// header (reserved 0, type 1, count), one 16-byte directory entry per image
// (width and height 0 meaning 256), then the PNG data in directory order.
class IcoWriter
{
public:
    struct Entry
    {
        int size = 0;   // square edge in pixels, 1..256
        QByteArray png; // complete PNG file
    };

    static constexpr int HeaderSize = 6;
    static constexpr int DirectoryEntrySize = 16;

    // Empty when there are no entries, an edge is out of range or a PNG is empty.
    static QByteArray encode(const QVector<Entry> &entries);
};

} // namespace resgen

#endif
