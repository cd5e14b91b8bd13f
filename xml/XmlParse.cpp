// The parser: text in, tree out, in one pass over the bytes with an explicit
// stack of open elements (no recursion, so deep documents cannot exhaust the
// call stack). The input always has a NUL after its last byte; every scan
// stops on it, and a NUL before the end is an error.

#include "xml/XmlEncoding.h"
#include "xml/XmlTree.h"

#include <cstdio>
#include <new>
#include <sys/stat.h>
#include <vector>

namespace glint::xml {

namespace detail {
namespace {

enum : std::uint8_t {
    kWs = 1,       // space, tab, CR, LF
    kName = 2,     // may stand in an element or attribute name
    kTextStop = 4, // '<', '&', NUL
    kDqStop = 8,   // '"', '&', NUL
    kSqStop = 16,  // '\'', '&', NUL
    kNameEnd = 32, // not kName (NUL included)
};

struct CharClass {
    std::uint8_t t[256];
    constexpr CharClass() : t()
    {
        for (int c = 0; c < 256; ++c) {
            std::uint8_t v = 0;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                v |= kWs;
            if (c > ' ' && c != '/' && c != '>' && c != '<' && c != '=' && c != '"' && c != '\'' && c != '?'
                && c != '&' && c != 0x7F)
                v |= kName;
            if (!(v & kName))
                v |= kNameEnd;
            if (c == '<' || c == '&' || c == 0)
                v |= kTextStop;
            if (c == '"' || c == '&' || c == 0)
                v |= kDqStop;
            if (c == '\'' || c == '&' || c == 0)
                v |= kSqStop;
            t[c] = v;
        }
    }
};
constexpr CharClass kClass;

inline std::uint8_t cls(char c)
{
    return kClass.t[static_cast<unsigned char>(c)];
}

// The first byte at or after q of the class; the NUL at the end stops every
// class, and the bytes are read in order, so nothing past it is touched.
template <std::uint8_t Mask>
inline const char *scanUntil(const char *q)
{
    for (;;) {
        if (cls(q[0]) & Mask)
            return q;
        if (cls(q[1]) & Mask)
            return q + 1;
        if (cls(q[2]) & Mask)
            return q + 2;
        if (cls(q[3]) & Mask)
            return q + 3;
        q += 4;
    }
}

// Whether p starts with word, ignoring ASCII case. Stops at the NUL.
inline bool startsFolded(const char *p, const char *word)
{
    for (; *word; ++p, ++word) {
        if (kFold[static_cast<unsigned char>(*p)] != kFold[static_cast<unsigned char>(*word)])
            return false;
    }
    return true;
}

class Parser {
public:
    Parser(const char *data, std::size_t size, Encoding encoding, const Options &opt, Arena *arena)
        : b_(data), p_(data), e_(data + size), enc_(encoding), arena_(arena),
          dropWs_(opt.dropWhiteSpace), commentsInText_(opt.commentsInsideText)
    {
        dbcs_ = encoding == Encoding::ShiftJis || encoding == Encoding::Gb2312 || encoding == Encoding::Big5
                || encoding == Encoding::Gbk;
        stack_.reserve(64);
    }
    ~Parser() { std::free(attrs_); }
    Parser(const Parser &) = delete;
    Parser &operator=(const Parser &) = delete;

    // The document record, or null when memory ran out before it existed.
    Record *run()
    {
        doc_ = newRecord(arena_, nullptr, 0, false);
        if (!doc_) {
            code_ = ErrorNoData;
            return nullptr;
        }
        cur_ = doc_;
        if (b_ == e_) {
            code_ = ErrorNoData;
            return doc_;
        }
        if (!content())
            return doc_;
        if (!sawTag_)
            setCode(doc_->first ? WarningNoTag : ErrorNoData, nullptr);
        else if (!sawElement_)
            setCode(ErrorNoElements, nullptr);
        else if (endsInsideCharacter(enc_, reinterpret_cast<const unsigned char *>(b_),
                                     static_cast<std::size_t>(e_ - b_)))
            setCode(ErrorUnexpectedToken, e_);
        return doc_;
    }

    int code() const { return code_; }
    const char *where() const { return where_; }

private:
    bool fail(int code, const char *at)
    {
        code_ = code;
        where_ = at;
        return false;
    }
    bool outOfMemory() { return fail(ErrorNoData, nullptr); }
    void setCode(int code, const char *at)
    {
        code_ = code;
        where_ = at;
    }

    void skipWs()
    {
        while (cls(*p_) & kWs)
            ++p_;
    }

    bool content()
    {
        for (;;) {
            if (*p_ != '<') {
                if (!text())
                    return false;
                if (*p_ != '<') {
                    if (p_ == e_)
                        break;
                    return fail(ErrorUnexpectedToken, p_); // a NUL inside the data
                }
            }
            sawTag_ = true;
            const char c = p_[1];
            bool ok;
            if (c == '/')
                ok = endTag();
            else if (c == '?')
                ok = declaration();
            else if (c == '!')
                ok = bang();
            else if ((c == 'P' || c == 'p') && startsFolded(p_, kMarkers[MarkerPre].open))
                ok = clear(MarkerPre);
            else
                ok = startTag();
            if (!ok)
                return false;
        }
        if (!stack_.empty())
            return fail(ErrorUnexpectedToken, e_); // elements left open
        return true;
    }

    // ---- Character data ----

    bool text()
    {
        const char *s = p_;
        if (dropWs_) {
            while (cls(*s) & kWs)
                ++s;
            if (*s == '<' || *s == 0) {
                p_ = s;
                return true;
            }
        }
        const char *q = s;
        bool amp = false, comment = false;
        for (;;) {
            q = scanUntil<kTextStop>(q);
            if (*q == '&') {
                amp = true;
                ++q;
                continue;
            }
            if (*q == '<' && commentsInText_ && q > s && q[1] == '!' && q[2] == '-' && q[3] == '-') {
                const char *close = findClose(MarkerComment, q + 4, q);
                if (!close)
                    return false;
                comment = true;
                q = close + 3;
                continue;
            }
            break;
        }
        p_ = q;
        if (q == s)
            return true;
        const std::size_t cap = static_cast<std::size_t>(q - s);
        void *mem = arena_->allocate(sizeof(TextItem) + cap + 1);
        if (!mem)
            return outOfMemory();
        TextItem *t = new (mem) TextItem;
        t->kind = ItemKind::Text;
        char *d = reinterpret_cast<char *>(t + 1);
        std::size_t n;
        if (!amp && !comment) {
            std::memcpy(d, s, cap);
            n = cap;
            if (dropWs_) {
                while (n > 0 && (cls(d[n - 1]) & kWs))
                    --n;
            }
        } else {
            char *o = d;
            char *keep = d; // end of what trimming may not take
            const char *r = s;
            while (r < q) {
                const char *span = r;
                while (r < q && !(cls(*r) & kTextStop))
                    ++r;
                if (r > span) {
                    std::memcpy(o, span, static_cast<std::size_t>(r - span));
                    o += r - span;
                }
                if (r >= q)
                    break;
                if (*r == '&') {
                    r = entity(r, o);
                    if (!r)
                        return false;
                    keep = ++o;
                } else {
                    // A comment inside the text: already checked, skip it.
                    r = findClose(MarkerComment, r + 4, r) + 3;
                }
            }
            n = static_cast<std::size_t>(o - d);
            if (dropWs_) {
                while (d + n > keep && (cls(d[n - 1]) & kWs))
                    --n;
            }
        }
        if (n == 0)
            return true;
        d[n] = 0;
        t->text = d;
        cur_->append(t);
        return true;
    }

    // Decodes the entity at r (an '&') into *out; returns the position after
    // it, or null with the code set.
    const char *entity(const char *r, char *out)
    {
        const char *at = r++;
        if (*r == '#') {
            ++r;
            unsigned base = 10;
            if (*r == 'x' || *r == 'X') {
                base = 16;
                ++r;
            }
            const char *digits = r;
            unsigned value = 0;
            bool over = false;
            for (;; ++r) {
                const unsigned char c = static_cast<unsigned char>(*r);
                unsigned d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (base == 16 && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                    d = (c | 0x20) - 'a' + 10;
                else
                    break;
                // Stop adding once past a byte, so long references cannot wrap.
                if (!over) {
                    value = value * base + d;
                    over = value > 255;
                }
            }
            if (*r != ';' || r == digits)
                return fail(ErrorUnknownEntity, at), nullptr;
            if (over)
                return fail(ErrorCharCodeAbove255, at), nullptr;
            if (value == 0)
                return fail(ErrorUnknownEntity, at), nullptr; // would end the string
            *out = static_cast<char>(value);
            return r + 1;
        }
        static const struct {
            const char *word;
            char c;
            std::uint8_t length;
        } named[] = {{"amp;", '&', 4}, {"lt;", '<', 3}, {"gt;", '>', 3}, {"quot;", '"', 5}, {"apos;", '\'', 5}};
        for (const auto &e : named) {
            if (startsFolded(r, e.word)) {
                *out = e.c;
                return r + e.length;
            }
        }
        return fail(ErrorUnknownEntity, at), nullptr;
    }

    // ---- Tags ----

    bool startTag()
    {
        const char *lt = p_;
        const char *ns = p_ + 1, *ne = ns;
        ne = scanUntil<kNameEnd>(ne);
        if (ne == ns)
            return fail(ErrorMissingStartTagName, lt);
        if (stack_.size() >= static_cast<std::size_t>(kMaxDepth))
            return fail(ErrorUnexpectedToken, lt);
        Record *r = newRecord(arena_, ns, static_cast<std::size_t>(ne - ns), false);
        if (!r)
            return outOfMemory();
        r->parent = cur_;
        cur_->append(r);
        sawElement_ = true;
        p_ = ne;
        for (;;) {
            skipWs();
            const char c = *p_;
            if (c == '>') {
                ++p_;
                if (!commitAttributes(r))
                    return false;
                stack_.push_back(r);
                cur_ = r;
                return true;
            }
            if (c == '/') {
                if (p_[1] != '>')
                    return fail(ErrorUnexpectedToken, p_);
                p_ += 2;
                return commitAttributes(r);
            }
            if (!(cls(c) & kName))
                return fail(ErrorUnexpectedToken, p_);
            if (!attribute())
                return false;
        }
    }

    bool declaration()
    {
        const char *lt = p_;
        const char *ns = p_ + 2, *ne = ns;
        ne = scanUntil<kNameEnd>(ne);
        if (ne == ns)
            return fail(ErrorMissingStartTagName, lt);
        Record *r = newRecord(arena_, ns, static_cast<std::size_t>(ne - ns), true);
        if (!r)
            return outOfMemory();
        r->parent = cur_;
        cur_->append(r);
        p_ = ne;
        for (;;) {
            skipWs();
            const char c = *p_;
            if (c == '?' && p_[1] == '>') {
                p_ += 2;
                return commitAttributes(r);
            }
            if (!(cls(c) & kName))
                return fail(ErrorUnexpectedToken, p_);
            if (!attribute())
                return false;
        }
    }

    bool attribute()
    {
        const char *ns = p_, *ne = ns;
        ne = scanUntil<kNameEnd>(ne);
        const std::size_t nl = static_cast<std::size_t>(ne - ns);
        p_ = ne;
        skipWs();
        if (*p_ != '=') {
            char *name = arena_->copyString(ns, nl);
            if (!name)
                return outOfMemory();
            return addAttribute(name, nullptr) || outOfMemory();
        }
        ++p_;
        skipWs();
        const char quote = *p_;
        if (quote != '"' && quote != '\'')
            return fail(ErrorUnexpectedToken, p_);
        const char *open = p_;
        const char *vs = ++p_, *ve = vs;
        bool amp = false;
        for (;;) {
            ve = quote == '"' ? scanUntil<kDqStop>(ve) : scanUntil<kSqStop>(ve);
            if (*ve == '&') {
                amp = true;
                ++ve;
                continue;
            }
            break;
        }
        if (*ve != quote)
            return fail(ErrorUnexpectedToken, ve == e_ ? open : ve);
        const std::size_t vl = static_cast<std::size_t>(ve - vs);
        char *mem = static_cast<char *>(arena_->allocate(nl + vl + 2, 1));
        if (!mem)
            return outOfMemory();
        copyBytes(mem, ns, nl);
        mem[nl] = 0;
        char *value = mem + nl + 1;
        if (!amp) {
            copyBytes(value, vs, vl);
            value[vl] = 0;
        } else {
            char *o = value;
            for (const char *r = vs; r < ve;) {
                if (*r == '&') {
                    r = entity(r, o);
                    if (!r)
                        return false;
                    ++o;
                } else {
                    *o++ = *r++;
                }
            }
            *o = 0;
        }
        if (!addAttribute(mem, value))
            return outOfMemory();
        p_ = ve + 1;
        return true;
    }

    bool addAttribute(char *name, char *value)
    {
        if (attrCount_ == attrCapacity_) {
            const std::size_t grown = attrCapacity_ ? attrCapacity_ * 2 : 16;
            void *mem = std::realloc(attrs_, grown * sizeof(AttrSlot));
            if (!mem)
                return false;
            attrs_ = static_cast<AttrSlot *>(mem);
            attrCapacity_ = grown;
        }
        attrs_[attrCount_].name = name;
        attrs_[attrCount_].value = value;
        ++attrCount_;
        return true;
    }

    bool commitAttributes(Record *r)
    {
        const std::size_t n = attrCount_;
        attrCount_ = 0;
        if (n == 0)
            return true;
        AttrSlot *slots = static_cast<AttrSlot *>(arena_->allocate(n * sizeof(AttrSlot)));
        if (!slots)
            return outOfMemory();
        for (std::size_t i = 0; i < n; ++i) {
            slots[i].name = attrs_[i].name;
            slots[i].value = attrs_[i].value;
        }
        r->attrs = slots;
        r->attrCount = r->attrCapacity = static_cast<std::uint32_t>(n);
        return true;
    }

    static bool closes(const Record *r, const char *name, std::size_t n)
    {
        if (r->nameLength != n)
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            if (r->name[i] != name[i])
                return equalsFolded(name, n, r->name);
        }
        return true;
    }

    bool endTag()
    {
        const char *lt = p_;
        const char *ns = p_ + 2, *ne = ns;
        ne = scanUntil<kNameEnd>(ne);
        if (ne == ns)
            return fail(ErrorMissingEndTagName, lt);
        p_ = ne;
        skipWs();
        if (*p_ != '>')
            return fail(ErrorUnexpectedToken, p_);
        ++p_;
        const std::size_t n = static_cast<std::size_t>(ne - ns);
        if (!stack_.empty() && closes(cur_, ns, n)) {
            stack_.pop_back();
            cur_ = stack_.empty() ? doc_ : stack_.back();
            return true;
        }
        // An end tag for an outer element closes the inner ones with it.
        for (std::size_t i = stack_.size(); i-- > 0;) {
            if (closes(stack_[i], ns, n)) {
                if (code_ == NoError)
                    setCode(WarningUnmatchedEndTag, lt);
                stack_.resize(i);
                cur_ = stack_.empty() ? doc_ : stack_.back();
                return true;
            }
        }
        return fail(ErrorUnmatchedEndTag, lt);
    }

    // ---- Clear sections ----

    bool bang()
    {
        if (p_[2] == '-' && p_[3] == '-')
            return clear(MarkerComment);
        if (startsFolded(p_, kMarkers[MarkerCdata].open))
            return clear(MarkerCdata);
        if (startsFolded(p_, kMarkers[MarkerDoctype].open))
            return clear(MarkerDoctype);
        return fail(ErrorUnexpectedToken, p_);
    }

    bool clear(std::uint8_t marker)
    {
        const char *at = p_;
        const char *from = p_ + kMarkers[marker].openLength;
        const char *close = findClose(marker, from, at);
        if (!close)
            return false;
        const std::size_t n = static_cast<std::size_t>(close - from);
        void *mem = arena_->allocate(sizeof(ClearItem) + n + 1);
        if (!mem)
            return outOfMemory();
        ClearItem *c = new (mem) ClearItem;
        c->kind = ItemKind::Clear;
        c->marker = marker;
        c->content = reinterpret_cast<char *>(c + 1);
        std::memcpy(c->content, from, n);
        c->content[n] = 0;
        cur_->append(c);
        p_ = close + kMarkers[marker].closeLength;
        return true;
    }

    // Where the closing marker starts, or null with the code set.
    const char *findClose(std::uint8_t marker, const char *from, const char *openedAt)
    {
        const char *close = dbcs_ || marker == MarkerDoctype ? scanClose(marker, from)
                                                             : searchClose(marker, from);
        if (!close) {
            const void *nul = std::memchr(from, 0, static_cast<std::size_t>(e_ - from));
            return fail(nul ? ErrorUnexpectedToken : ErrorUnmatchedClearTagEnd,
                        nul ? static_cast<const char *>(nul) : openedAt),
                   nullptr;
        }
        const void *nul = std::memchr(from, 0, static_cast<std::size_t>(close - from));
        if (nul)
            return fail(ErrorUnexpectedToken, static_cast<const char *>(nul)), nullptr;
        return close;
    }

    // Fast search where no character can hide a marker byte.
    const char *searchClose(std::uint8_t marker, const char *from) const
    {
        const char first = kMarkers[marker].close[0];
        const char *close = kMarkers[marker].close;
        const std::size_t cl = kMarkers[marker].closeLength;
        for (const char *q = from; q < e_;) {
            const char *hit = static_cast<const char *>(std::memchr(q, first, static_cast<std::size_t>(e_ - q)));
            if (!hit || static_cast<std::size_t>(e_ - hit) < cl)
                return nullptr;
            if (marker == MarkerPre ? startsFolded(hit, close) : std::memcmp(hit, close, cl) == 0)
                return hit;
            q = hit + 1;
        }
        return nullptr;
    }

    // Character by character, so that the second byte of a double-byte
    // character is never taken for a marker.
    const char *scanClose(std::uint8_t marker, const char *from) const
    {
        int brackets = 0;
        const char *close = kMarkers[marker].close;
        for (const char *q = from; q < e_;) {
            const char c = *q;
            if (marker == MarkerDoctype) {
                if (c == '[')
                    ++brackets;
                else if (c == ']' && brackets > 0)
                    --brackets;
                else if (c == '>' && brackets == 0)
                    return q;
            } else if (c == close[0] && startsFolded(q, close)) {
                return q;
            }
            const int n = characterLength(enc_, reinterpret_cast<const unsigned char *>(q),
                                          static_cast<std::size_t>(e_ - q));
            q += n > 0 ? n : 1;
        }
        return nullptr;
    }

    const char *b_;
    const char *p_;
    const char *e_;
    Encoding enc_;
    bool dbcs_ = false;
    Arena *arena_;
    bool dropWs_;
    bool commentsInText_;
    Record *doc_ = nullptr;
    Record *cur_ = nullptr;
    std::vector<Record *> stack_;
    AttrSlot *attrs_ = nullptr; // of the tag being read
    std::size_t attrCount_ = 0;
    std::size_t attrCapacity_ = 0;
    bool sawTag_ = false;
    bool sawElement_ = false;
    int code_ = NoError;
    const char *where_ = nullptr;
};

void locate(const char *begin, const char *at, Result *result)
{
    if (!at) {
        result->line = result->column = 0;
        return;
    }
    int line = 1;
    const char *lineStart = begin;
    for (const char *q = begin; q < at;) {
        const void *nl = std::memchr(q, '\n', static_cast<std::size_t>(at - q));
        if (!nl)
            break;
        ++line;
        q = lineStart = static_cast<const char *>(nl) + 1;
    }
    result->line = line;
    result->column = static_cast<int>(at - lineStart) + 1;
}

// First element (not declaration) of that name, in document order.
Record *findElement(Record *top, const char *name)
{
    std::vector<Item *> pending;
    if (top->first)
        pending.push_back(top->first);
    while (!pending.empty()) {
        Item *it = pending.back();
        pending.pop_back();
        if (it->next)
            pending.push_back(it->next);
        if (it->kind != ItemKind::Element)
            continue;
        Record *r = static_cast<Record *>(it);
        if (!r->declaration && equalsFolded(r->name, name))
            return r;
        if (r->first)
            pending.push_back(r->first);
    }
    return nullptr;
}

void report(Result *result, int code)
{
    if (result) {
        result->code = code;
        result->line = result->column = 0;
    }
}

// data[size] must be a NUL.
Node parseText(const char *data, std::size_t size, Encoding encoding, const char *elementName, Result *result)
{
    if (size >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB
        && static_cast<unsigned char>(data[2]) == 0xBF) {
        data += 3;
        size -= 3;
    }
    std::size_t first = size * 2;
    first = first < 1024 ? 1024 : first > (std::size_t(1) << 20) ? (std::size_t(1) << 20) : first;
    Arena *arena = new (std::nothrow) Arena(first);
    if (!arena) {
        report(result, ErrorNoData);
        return Node();
    }
    Parser parser(data, size, encoding, options(), arena);
    Record *doc = parser.run();
    if (!doc) {
        delete arena;
        report(result, ErrorNoData);
        return Node();
    }
    Node top = Access::wrap(doc);
    int code = parser.code();
    if (result) {
        result->code = code;
        locate(data, parser.where(), result);
    }
    if (!keepsTree(code))
        return Node();
    if (elementName) {
        Record *found = findElement(doc, elementName);
        if (!found)
            report(result, ErrorFirstTagNotFound);
        return Access::wrap(found);
    }
    if (doc->first && doc->first == doc->last && doc->first->kind == ItemKind::Element && doc->attrCount == 0)
        return Access::wrap(static_cast<Record *>(doc->first));
    return top;
}

bool readWholeFile(std::FILE *f, Buffer &buf)
{
    struct stat st;
    std::size_t want = 64 * 1024;
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        want = static_cast<std::size_t>(st.st_size) + 1; // +1 sees the end in one read
    if (!buf.reserve(want))
        return false;
    for (;;) {
        if (buf.size == buf.capacity - 1 && !buf.reserve(buf.size * 2))
            return false;
        const std::size_t room = buf.capacity - 1 - buf.size;
        const std::size_t got = std::fread(buf.data + buf.size, 1, room, f);
        buf.size += got;
        if (got < room) {
            if (std::ferror(f))
                return false;
            break;
        }
    }
    buf.data[buf.size] = 0;
    return true;
}

} // namespace
} // namespace detail

using namespace detail;

Node parseString(const char *text, const char *elementName, Result *result)
{
    if (!text) {
        report(result, ErrorNoData);
        return Node();
    }
    return parseText(text, std::strlen(text), options().encoding, elementName, result);
}

Node parseBuffer(const char *data, std::size_t size, const char *elementName, Result *result)
{
    Buffer buf;
    if ((!data && size) || !buf.reserve(size)) {
        report(result, ErrorNoData);
        return Node();
    }
    if (size)
        std::memcpy(buf.data, data, size);
    buf.data[size] = 0;
    buf.size = size;
    return parseText(buf.data, buf.size, options().encoding, elementName, result);
}

Node parseFile(const char *path, const char *elementName, Result *result)
{
    std::FILE *f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        report(result, ErrorFileNotFound);
        return Node();
    }
    Buffer raw;
    const bool read = readWholeFile(f, raw);
    std::fclose(f);
    if (!read) {
        report(result, ErrorFileNotFound);
        return Node();
    }
    Options &opt = options();
    const Encoding guess = guessEncoding(raw.data, raw.size);
    if (guess != Encoding::None)
        opt.encoding = guess;
    if (raw.size == 0) {
        report(result, ErrorNoData);
        return Node();
    }
    bool bigEndian = false;
    if (opt.wideCharDetection && looksLikeUtf16(raw.data, raw.size, &bigEndian)) {
        // The multi-byte form is UTF-8, or ISO-8859-1 in single-byte mode.
        // The double-byte Asian encodings have no converter here, so their
        // text becomes UTF-8 and the option says so.
        const bool latin1 = opt.encoding == Encoding::SingleByte;
        Buffer converted;
        const int code = convertUtf16(reinterpret_cast<const unsigned char *>(raw.data), raw.size, bigEndian,
                                      latin1, converted);
        if (code != NoError) {
            report(result, code);
            return Node();
        }
        if (!latin1)
            opt.encoding = Encoding::Utf8;
        raw.reset();
        return parseText(converted.data, converted.size, opt.encoding, elementName, result);
    }
    return parseText(raw.data, raw.size, opt.encoding, elementName, result);
}

} // namespace glint::xml
