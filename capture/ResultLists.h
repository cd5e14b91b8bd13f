#ifndef GLINTVIEW_RESULTLISTS_H
#define GLINTVIEW_RESULTLISTS_H

// What the result controls of the capture work area offer for each ISO
// revision, in the order shown, so the widget only fills its combo boxes:
//
//   revision 0 (none)  kinds K1 K2 K3 K7          formats MONO_RAW MONO_JPEG2000 CORVANE_RAW
//   revision 1 (2005)  kinds K1 K2                formats MONO_RAW MONO_JPEG2000
//   revision 2 (2011)  all eight kinds            formats MONO_RAW MONO_JPEG2000
//
// The subtype list is enabled only with an ISO revision. The entry equal to
// the stored value is selected, else the first (selectedIndex).
//
//   const ResultLists lists = ResultLists::forRevision(ctx->isoRevision);
//   for (const ResultListEntry &e : lists.kinds) cbResultImgKind->addItem(e.label, e.value);
//   cbResultImgKind->setCurrentIndex(ResultLists::selectedIndex(lists.kinds, ctx->resultKind));

#include <QString>
#include <QVector>
#include <cstdint>

struct ResultListEntry {
    QString label;
    int32_t value = 0;
};

struct ResultLists {
    QVector<ResultListEntry> kinds;
    QVector<ResultListEntry> formats;
    bool subtypesEnabled = false;

    // Any revision other than 1 or 2 gets the lists of revision 0.
    static ResultLists forRevision(int32_t isoRevision);
    // "UNKNOWN EYE" 0, "RIGHT EYE" 1, "LEFT EYE" 2, and "BOTH EYE" 3 on a
    // binocular device.
    static QVector<ResultListEntry> isoSubtypes(bool binocular);

    // Index of the entry whose value is `stored`; 0 when none is (-1 for an empty list).
    static int selectedIndex(const QVector<ResultListEntry> &entries, int32_t stored);

    // "K1" ... "K7_5_0", "MONO_RAW" ...; empty for a value without a name.
    static QString kindName(int32_t kind);
    static QString formatName(int32_t format);
};

#endif
