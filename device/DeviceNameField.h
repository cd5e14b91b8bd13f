#ifndef GLINTVIEW_DEVICENAMEFIELD_H
#define GLINTVIEW_DEVICENAMEFIELD_H

#include "core/FixedText.h"
#include "zeph/zeph.h"

#include <QString>

// Stores a device name (USB name or COM port) into a 100-byte name field. A
// name that does not fit whole (over 99 bytes in the local encoding) or holds
// a NUL is refused with 15: the field is left empty, so that the next open is
// refused too rather than a cut name opened.
inline ZephResult storeDeviceName(char (&field)[ZEPH_DEVICE_NAME_SIZE], const QString &name)
{
    const QByteArray bytes = name.toLocal8Bit();
    if (bytes.size() > ZEPH_DEVICE_NAME_SIZE - 1 || bytes.contains('\0')) {
        FixedText::copy(field, QByteArray());
        return ZEPH_ERR_INVALID_PARAMETER;
    }
    FixedText::copy(field, bytes);
    return 0;
}

#endif
