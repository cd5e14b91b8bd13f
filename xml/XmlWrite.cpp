// The writer: a tree out as text, formatted with one tab per level or all on
// one line, walked without recursion and sent to a sink in chunks.

#include "xml/XmlTree.h"

#include <memory>

namespace glint::xml::detail {
namespace {

// Escape tables: 0 writes the byte as it is, 1 stops the scan (the NUL),
// anything else indexes kEntities.
// Each padded to 8 bytes, so that one fixed-size copy writes any of them.
const char kEntities[][8] = {"", "", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#9;", "&#10;", "&#13;"};
const std::uint8_t kEntityLength[] = {0, 0, 5, 4, 4, 6, 6, 4, 5, 5};

struct EscapeTable {
    std::uint8_t t[256];
    constexpr explicit EscapeTable(bool attribute) : t()
    {
        t[0] = 1;
        t[static_cast<unsigned char>('&')] = 2;
        t[static_cast<unsigned char>('<')] = 3;
        t[static_cast<unsigned char>('>')] = 4;
        // A carriage return would be folded into a line feed by other readers.
        t[static_cast<unsigned char>('\r')] = 9;
        if (attribute) {
            t[static_cast<unsigned char>('"')] = 5;
            t[static_cast<unsigned char>('\'')] = 6;
            // Other readers turn white space in values into spaces.
            t[static_cast<unsigned char>('\t')] = 7;
            t[static_cast<unsigned char>('\n')] = 8;
        }
    }
};
constexpr EscapeTable kTextEscapes(false);
constexpr EscapeTable kAttributeEscapes(true);

// Names are written as they are, up to their NUL.
struct RawTable {
    std::uint8_t t[256];
    constexpr RawTable() : t() { t[0] = 1; }
};
constexpr RawTable kRaw;

inline bool isWs(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class Writer {
public:
    Writer(Sink &sink, bool formatted) : sink_(sink), formatted_(formatted) {}

    bool finish()
    {
        flush();
        return ok_;
    }

    void put(const char *s, std::size_t n)
    {
        if (n <= kSize - used_) {
            copyBytes(buf_ + used_, s, n);
            used_ += n;
            return;
        }
        putLong(s, n);
    }

    void putLong(const char *s, std::size_t n)
    {
        flush();
        if (n > kSize) {
            if (ok_ && !sink_.write(s, n))
                ok_ = false;
            flushed_ += n;
            return;
        }
        std::memcpy(buf_ + used_, s, n);
        used_ += n;
    }

    // Up to the NUL, with the bytes the table marks written as entities.
    // Copies as it scans: the pieces of a document are short.
    template <typename Table>
    void putEscaped(const char *s, const Table &table)
    {
        char *o = buf_ + used_;
        for (;;) {
            char *const limit = buf_ + kSize - 8; // room for one entity
            while (o < limit) {
                // Four plain bytes at a time while they last; each is read
                // only once the one before it is known not to be the NUL.
                while (limit - o >= 4) {
                    const unsigned char c0 = static_cast<unsigned char>(s[0]);
                    if (table.t[c0])
                        break;
                    o[0] = static_cast<char>(c0);
                    const unsigned char c1 = static_cast<unsigned char>(s[1]);
                    if (table.t[c1]) {
                        s += 1;
                        o += 1;
                        break;
                    }
                    o[1] = static_cast<char>(c1);
                    const unsigned char c2 = static_cast<unsigned char>(s[2]);
                    if (table.t[c2]) {
                        s += 2;
                        o += 2;
                        break;
                    }
                    o[2] = static_cast<char>(c2);
                    const unsigned char c3 = static_cast<unsigned char>(s[3]);
                    if (table.t[c3]) {
                        s += 3;
                        o += 3;
                        break;
                    }
                    o[3] = static_cast<char>(c3);
                    s += 4;
                    o += 4;
                }
                const unsigned char c = static_cast<unsigned char>(*s++);
                const std::uint8_t e = table.t[c];
                if (!e) {
                    *o++ = static_cast<char>(c);
                    continue;
                }
                if (e == 1) {
                    used_ = static_cast<std::size_t>(o - buf_);
                    return;
                }
                std::memcpy(o, kEntities[e], 8);
                o += kEntityLength[e];
            }
            used_ = static_cast<std::size_t>(o - buf_);
            flush();
            o = buf_ + used_;
        }
    }
    void put(const char *s) { putEscaped(s, kRaw); }
    void put(char c)
    {
        if (used_ == kSize)
            flush();
        buf_[used_++] = c;
    }

    void newline()
    {
        if (formatted_)
            put('\n');
    }

    void indent(int level)
    {
        if (!formatted_)
            return;
        std::size_t n = static_cast<std::size_t>(level);
        static const char kTabs[17] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
        if (n <= 16 && n <= kSize - used_) {
            copyBytes(buf_ + used_, kTabs, n);
            used_ += n;
            return;
        }
        while (n) {
            if (used_ == kSize)
                flush();
            std::size_t k = kSize - used_ < n ? kSize - used_ : n;
            std::memset(buf_ + used_, '\t', k);
            used_ += k;
            n -= k;
        }
    }

    void escaped(const char *s, std::size_t n, const EscapeTable &table)
    {
        const char *end = s + n;
        while (s < end) {
            const char *run = s;
            while (s < end && !table.t[static_cast<unsigned char>(*s)])
                ++s;
            if (s > run)
                put(run, static_cast<std::size_t>(s - run));
            if (s < end) {
                const std::uint8_t e = table.t[static_cast<unsigned char>(*s)];
                put(kEntities[e], kEntityLength[e]);
                ++s;
            }
        }
    }

    void reference(unsigned char c)
    {
        char tmp[8] = {'&', '#'};
        int n = 2;
        if (c >= 100)
            tmp[n++] = static_cast<char>('0' + c / 100);
        if (c >= 10)
            tmp[n++] = static_cast<char>('0' + c / 10 % 10);
        tmp[n++] = static_cast<char>('0' + c % 10);
        tmp[n++] = ';';
        put(tmp, static_cast<std::size_t>(n));
    }

    void text(const char *s, bool keepEdges)
    {
        const std::size_t n = std::strlen(s);
        // White space at the ends would be dropped when read back, and a
        // character cut short at the end could swallow what follows: such
        // bytes are written as references.
        std::size_t lead = 0, stop = n;
        if (!keepEdges) {
            while (lead < n && isWs(static_cast<unsigned char>(s[lead])))
                ++lead;
            while (stop > lead && isWs(static_cast<unsigned char>(s[stop - 1])))
                --stop;
        }
        // Text that opens the output with a byte-order mark's bytes would lose
        // them to the reader.
        if (lead == 0 && flushed_ == 0 && used_ == 0 && n >= 3 && std::memcmp(s, "\xEF\xBB\xBF", 3) == 0)
            lead = 1;
        std::size_t cut = stop;
        if (cut > lead && static_cast<unsigned char>(s[cut - 1]) >= 0x80) {
            const Encoding enc = options().encoding;
            while (cut > lead
                   && endsInsideCharacter(enc, reinterpret_cast<const unsigned char *>(s + lead), cut - lead))
                --cut;
        }
        for (std::size_t i = 0; i < lead; ++i)
            reference(static_cast<unsigned char>(s[i]));
        escaped(s + lead, cut - lead, kTextEscapes);
        for (std::size_t i = cut; i < n; ++i) {
            if (i >= stop || !kTextEscapes.t[static_cast<unsigned char>(s[i])])
                reference(static_cast<unsigned char>(s[i]));
            else
                escaped(s + i, 1, kTextEscapes);
        }
    }

    void attributes(const Record *r)
    {
        for (std::uint32_t i = 0; i < r->attrCount; ++i) {
            put(' ');
            put(r->attrs[i].name);
            if (r->attrs[i].value) {
                put("=\"", 2);
                putEscaped(r->attrs[i].value, kAttributeEscapes);
                put('"');
            }
        }
    }

    // Writes the start tag; true when the element has content to follow.
    bool startTag(const Record *r)
    {
        if (r->declaration) {
            put("<?", 2);
            put(r->name);
            attributes(r);
            put("?>", 2);
            newline();
            return false;
        }
        put('<');
        putName(r);
        attributes(r);
        room(4);
        if (!r->first) {
            buf_[used_++] = '/';
            buf_[used_++] = '>';
            newline();
            return false;
        }
        // "<PRE>" alone would read back as a clear section.
        if (r->attrCount == 0 && equalsFolded(r->name, "PRE"))
            buf_[used_++] = ' ';
        buf_[used_++] = '>';
        newline();
        return true;
    }

    void endTag(const Record *r, int level)
    {
        indent(level);
        room(2);
        buf_[used_++] = '<';
        buf_[used_++] = '/';
        putName(r);
        put('>');
        newline();
    }

private:
    void putName(const Record *r)
    {
        const std::size_t n = r->nameLength;
        if (n <= kSize - used_) {
            copyBytes(buf_ + used_, r->name, n);
            used_ += n;
        } else {
            putLong(r->name, n);
        }
    }

    // Makes room for n bytes (n far below the buffer's size) or for as many
    // as the buffer holds.
    void room(std::size_t n)
    {
        if (n > kSize - used_)
            flush();
    }

    void flush()
    {
        if (used_ && ok_ && !sink_.write(buf_, used_))
            ok_ = false;
        flushed_ += used_;
        used_ = 0;
    }

    static constexpr std::size_t kSize = 64 * 1024;
    Sink &sink_;
    bool formatted_;
    bool ok_ = true;
    std::size_t used_ = 0;
    std::size_t flushed_ = 0;
    char buf_[kSize];
};

void writeHeader(Writer &w, const Record *rec, const char *encodingName)
{
    bool ownDeclaration = false;
    for (const Item *it = rec->first; it; it = it->next) {
        if (it->kind == ItemKind::Element) {
            ownDeclaration = it->declaration;
            break;
        }
    }
    const Encoding enc = options().encoding;
    const char *name = enc == Encoding::Utf8 ? "utf-8"
                       : enc == Encoding::ShiftJis ? "SHIFT-JIS"
                       : encodingName ? encodingName
                                      : "ISO-8859-1";
    if (enc == Encoding::Utf8)
        w.put("\xEF\xBB\xBF", 3);
    if (!ownDeclaration) {
        w.put("<?xml version=\"1.0\" encoding=\"");
        w.put(name);
        w.put("\"?>\n");
    }
}

} // namespace

bool writeDocument(const Record *rec, const char *encodingName, bool header, bool formatted, Sink &sink)
{
    // Formatted output needs white space to be dropped when read back.
    const bool keepEdges = !options().dropWhiteSpace;
    formatted = formatted && !keepEdges;
    auto w = std::make_unique<Writer>(sink, formatted);
    if (header)
        writeHeader(*w, rec, encodingName);

    // Walks down through first children and back up through parents, so no
    // stack is needed however deep the tree goes.
    if (rec->name && !w->startTag(rec))
        return w->finish();
    const Record *cur = rec;
    const Item *it = rec->first;
    int level = rec->name ? 1 : 0; // of cur's content
    for (;;) {
        if (!it) {
            if (cur == rec) {
                if (rec->name)
                    w->endTag(rec, 0);
                break;
            }
            w->endTag(cur, level - 1);
            it = cur->next;
            cur = cur->parent;
            --level;
            continue;
        }
        w->indent(level);
        switch (it->kind) {
        case ItemKind::Text:
            w->text(static_cast<const TextItem *>(it)->text, keepEdges);
            w->newline();
            break;
        case ItemKind::Clear: {
            const ClearItem *c = static_cast<const ClearItem *>(it);
            w->put(kMarkers[c->marker].open, kMarkers[c->marker].openLength);
            w->put(c->content);
            w->put(kMarkers[c->marker].close, kMarkers[c->marker].closeLength);
            w->newline();
            break;
        }
        case ItemKind::Element: {
            const Record *r = static_cast<const Record *>(it);
            if (w->startTag(r)) {
                cur = r;
                it = r->first;
                ++level;
                continue;
            }
            break;
        }
        }
        it = it->next;
    }
    return w->finish();
}

} // namespace glint::xml::detail
