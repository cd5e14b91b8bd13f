// AppContext's gallery operations, kept apart from the rest of the context.
#include "core/AppContext.h"

#include "core/FixedText.h"
#include "core/MessageBox.h"
#include "core/ResultText.h"

namespace {

bool isLinkFailure(ZephResult r)
{
    return r == ZEPH_ERR_IO_FAILED || r == ZEPH_ERR_IO_TIMEOUT || r == ZEPH_ERR_IO_INVALID;
}

} // namespace

bool AppContext::loadGallery(ZephResult *result, const char *const **ids, int32_t *count,
                             int32_t *extra1, int32_t *extra2)
{
    const char *const *localIds = nullptr;
    int32_t localCount = 0, localExtra1 = 0, localExtra2 = 0;
    if (!ids)
        ids = &localIds;
    if (!count)
        count = &localCount;
    if (!extra1)
        extra1 = &localExtra1;
    if (!extra2)
        extra2 = &localExtra2;

    bool loaded = true;
    lastResult = 0;
    lastResult = Zeph_GetGalleryInfo(deviceHandle, ids, count, extra1, extra2);
    if (lastResult == ZEPH_ERR_GALLERY_NOT_INITIALIZED) {
        lastResult = Zeph_LoadGallery(deviceHandle, ids, count, extra1, extra2);
        if (lastResult != 0 && lastResult != ZEPH_ERR_GALLERY_EMPTY) {
            const ZephResult failure = lastResult;
            MessageBox::critical(nullptr, QStringLiteral("Load gallery"),
                                 QStringLiteral("Failed to load gallery. %1")
                                     .arg(QString::fromLocal8Bit(ResultText(failure))));
            if (isLinkFailure(failure))
                offerRecovery(failure);
            lastResult = failure;
            loaded = false;
        }
    } else if (isLinkFailure(lastResult)) {
        // The list simply stays empty, but a link that stopped answering is
        // offered its recovery here as in every other workflow.
        const ZephResult failure = lastResult;
        offerRecovery(failure);
        lastResult = failure;
    }
    if (result)
        *result = lastResult;
    return loaded;
}

QList<QByteArray> AppContext::enrolleeIdList()
{
    QList<QByteArray> list;
    if (openDevice(true) != 0)
        return list;
    showStatus(1000, "Retrieving enrollee ID from device...");
    const char *const *ids = nullptr;
    int32_t count = 0, extra1 = 0, extra2 = 0;
    if (!loadGallery(nullptr, &ids, &count, &extra1, &extra2) || lastResult != 0)
        return list;
    // The array belongs to the library and is replaced by its next gallery
    // call: the IDs are copied now, each bounded by its field.
    if (!ids || count <= 0)
        return list;
    list.reserve(count);
    for (int32_t i = 0; i < count; ++i)
        list.append(ids[i] ? FixedText::read(ids[i], ZEPH_ID_SIZE) : QByteArray());
    return list;
}

ZephResult AppContext::commitGallery()
{
    lastResult = Zeph_CommitGallery(deviceHandle);
    return lastResult;
}
