#include "capture/ResultLists.h"

#include "zeph/zeph.h"

namespace {

struct Named {
    int32_t value;
    const char *name;
};

constexpr Named kKinds[] = {
    {ZEPH_KIND_K1, "K1"},         {ZEPH_KIND_K2, "K2"},
    {ZEPH_KIND_K3, "K3"},         {ZEPH_KIND_K7, "K7"},
    {ZEPH_KIND_K7_1_5, "K7_1_5"}, {ZEPH_KIND_K7_2_5, "K7_2_5"},
    {ZEPH_KIND_K7_3_5, "K7_3_5"}, {ZEPH_KIND_K7_5_0, "K7_5_0"},
};

constexpr Named kFormats[] = {
    {ZEPH_FORMAT_MONO_RAW, "MONO_RAW"},
    {ZEPH_FORMAT_MONO_JPEG, "MONO_JPEG"},
    {ZEPH_FORMAT_MONO_JPEG2000, "MONO_JPEG2000"},
    {ZEPH_FORMAT_MONO_PNG, "MONO_PNG"},
    {ZEPH_FORMAT_CORVANE_RAW, "CORVANE_RAW"},
    {ZEPH_FORMAT_CORVANE_JPEG2000, "CORVANE_JPEG2000"},
};

template <std::size_t N>
QString nameOf(const Named (&table)[N], int32_t value)
{
    for (const Named &n : table)
        if (n.value == value)
            return QString::fromLatin1(n.name);
    return QString();
}

QVector<ResultListEntry> kindEntries(int count)
{
    QVector<ResultListEntry> out;
    for (int i = 0; i < count; ++i)
        out.push_back({QString::fromLatin1(kKinds[i].name), kKinds[i].value});
    return out;
}

QVector<ResultListEntry> formatEntries(std::initializer_list<int32_t> formats)
{
    QVector<ResultListEntry> out;
    for (int32_t f : formats)
        out.push_back({ResultLists::formatName(f), f});
    return out;
}

} // namespace

ResultLists ResultLists::forRevision(int32_t isoRevision)
{
    ResultLists lists;
    switch (isoRevision) {
    case ZEPH_ISO_2005:
        lists.kinds = kindEntries(2);
        lists.formats = formatEntries({ZEPH_FORMAT_MONO_RAW, ZEPH_FORMAT_MONO_JPEG2000});
        lists.subtypesEnabled = true;
        break;
    case ZEPH_ISO_2011:
        lists.kinds = kindEntries(8);
        lists.formats = formatEntries({ZEPH_FORMAT_MONO_RAW, ZEPH_FORMAT_MONO_JPEG2000});
        lists.subtypesEnabled = true;
        break;
    default:
        lists.kinds = kindEntries(4);
        lists.formats = formatEntries(
            {ZEPH_FORMAT_MONO_RAW, ZEPH_FORMAT_MONO_JPEG2000, ZEPH_FORMAT_CORVANE_RAW});
        break;
    }
    return lists;
}

QVector<ResultListEntry> ResultLists::isoSubtypes(bool binocular)
{
    QVector<ResultListEntry> out{{QStringLiteral("UNKNOWN EYE"), 0},
                                 {QStringLiteral("RIGHT EYE"), 1},
                                 {QStringLiteral("LEFT EYE"), 2}};
    if (binocular)
        out.push_back({QStringLiteral("BOTH EYE"), 3});
    return out;
}

int ResultLists::selectedIndex(const QVector<ResultListEntry> &entries, int32_t stored)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries.at(i).value == stored)
            return i;
    return entries.isEmpty() ? -1 : 0;
}

QString ResultLists::kindName(int32_t kind)
{
    return nameOf(kKinds, kind);
}

QString ResultLists::formatName(int32_t format)
{
    return nameOf(kFormats, format);
}
