// Node handles, their reference counts, and the operations on a tree.

#include "xml/XmlTree.h"

#include <cstdio>
#include <new>
#include <vector>

namespace glint::xml {

namespace detail {

// ---- Arena ---------------------------------------------------------------

Arena::~Arena()
{
    Block *b = blocks_;
    while (b) {
        Block *prev = b->prev;
        std::free(b);
        b = prev;
    }
}

void *Arena::allocateSlow(std::size_t size, std::size_t align)
{
    constexpr std::size_t kHeader = (sizeof(Block) + 15) & ~std::size_t(15);
    constexpr std::size_t kLargest = std::size_t(1) << 20;
    if (size > (std::size_t(-1) >> 2))
        return nullptr;
    const std::size_t need = size + align;
    if (need > nextSize_ / 2 && blocks_) {
        // A big piece gets a block of its own behind the current one, so the
        // space left in the current block is not thrown away.
        Block *b = static_cast<Block *>(std::malloc(kHeader + need));
        if (!b)
            return nullptr;
        b->size = need;
        b->prev = blocks_->prev;
        blocks_->prev = b;
        std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(b) + kHeader + (align - 1)) & ~(align - 1);
        return reinterpret_cast<void *>(at);
    }
    std::size_t blockSize = nextSize_;
    while (blockSize < need)
        blockSize *= 2;
    if (nextSize_ < kLargest)
        nextSize_ *= 2;
    Block *b = static_cast<Block *>(std::malloc(kHeader + blockSize));
    if (!b)
        return nullptr;
    b->size = blockSize;
    b->prev = blocks_;
    blocks_ = b;
    cur_ = reinterpret_cast<char *>(b) + kHeader;
    limit_ = cur_ + blockSize;
    std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(cur_) + (align - 1)) & ~(align - 1);
    cur_ = reinterpret_cast<char *>(at + size);
    return reinterpret_cast<void *>(at);
}

// ---- Records -------------------------------------------------------------

const Marker kMarkers[4] = {
    {"<![CDATA[", "]]>", 9, 3},
    {"<!DOCTYPE", ">", 9, 1},
    {"<!--", "-->", 4, 3},
    {"<PRE>", "</PRE>", 5, 6},
};

Record *newRecord(Arena *arena, const char *name, std::size_t nameLength, bool declaration)
{
    void *mem = arena->allocate(sizeof(Record) + (name ? nameLength + 1 : 0));
    if (!mem)
        return nullptr;
    Record *r = new (mem) Record;
    r->kind = ItemKind::Element;
    r->declaration = declaration;
    r->arena = arena;
    if (name) {
        r->name = reinterpret_cast<char *>(r + 1);
        r->nameLength = static_cast<std::uint32_t>(nameLength);
        copyBytes(r->name, name, nameLength);
        r->name[nameLength] = 0;
    }
    return r;
}

// Everything below `dead` dies with it, except records still held by a
// handle: those are cut loose and live on as tops of their own.
static void dropSubtree(Record *dead)
{
    std::vector<Record *> pending{dead};
    while (!pending.empty()) {
        Record *r = pending.back();
        pending.pop_back();
        for (Item *it = r->first; it; it = it->next) {
            if (it->kind != ItemKind::Element)
                continue;
            Record *c = static_cast<Record *>(it);
            c->parent = nullptr;
            if (c->refs == 0)
                pending.push_back(c);
        }
    }
}

void release(Record *rec)
{
    Arena *arena = rec->arena;
    --rec->refs;
    if (--arena->handles == 0) {
        delete arena;
        return;
    }
    if (rec->refs == 0 && rec->parent == nullptr)
        dropSubtree(rec);
}

static inline void retain(Record *rec)
{
    ++rec->refs;
    ++rec->arena->handles;
}

static Record *elementAt(const Record *r, int index)
{
    if (!r || index < 0)
        return nullptr;
    for (Item *it = r->first; it; it = it->next) {
        if (it->kind == ItemKind::Element && index-- == 0)
            return static_cast<Record *>(it);
    }
    return nullptr;
}

template <typename T>
static T *itemAt(const Record *r, ItemKind kind, int index)
{
    if (!r || index < 0)
        return nullptr;
    for (Item *it = r->first; it; it = it->next) {
        if (it->kind == kind && index-- == 0)
            return static_cast<T *>(it);
    }
    return nullptr;
}

static int countItems(const Record *r, ItemKind kind)
{
    int n = 0;
    if (r) {
        for (const Item *it = r->first; it; it = it->next)
            n += it->kind == kind;
    }
    return n;
}

} // namespace detail

using namespace detail;

// ---- Node ----------------------------------------------------------------

Node::Node(Record *rec) noexcept : rec_(rec)
{
    if (rec_)
        retain(rec_);
}

Node::Node(const Node &other) noexcept : rec_(other.rec_)
{
    if (rec_)
        retain(rec_);
}

Node::Node(Node &&other) noexcept : rec_(other.rec_)
{
    other.rec_ = nullptr;
}

Node &Node::operator=(const Node &other) noexcept
{
    if (other.rec_)
        retain(other.rec_);
    if (rec_)
        release(rec_);
    rec_ = other.rec_;
    return *this;
}

Node &Node::operator=(Node &&other) noexcept
{
    if (this != &other) {
        if (rec_)
            release(rec_);
        rec_ = other.rec_;
        other.rec_ = nullptr;
    }
    return *this;
}

Node::~Node()
{
    if (rec_)
        release(rec_);
}

const char *Node::name() const
{
    return rec_ ? rec_->name : nullptr;
}

bool Node::isDeclaration() const
{
    return rec_ && rec_->declaration;
}

Node Node::parent() const
{
    return Node(rec_ ? rec_->parent : nullptr);
}

int Node::childCount() const
{
    return countItems(rec_, ItemKind::Element);
}

Node Node::child(int index) const
{
    return Node(elementAt(rec_, index));
}

Node Node::firstChild() const
{
    return Node(elementAt(rec_, 0));
}

Node Node::nextSibling() const
{
    if (!rec_ || !rec_->parent)
        return Node();
    for (Item *it = rec_->next; it; it = it->next) {
        if (it->kind == ItemKind::Element)
            return Node(static_cast<Record *>(it));
    }
    return Node();
}

Node Node::childByName(const char *name, int *position) const
{
    if (!rec_ || !name)
        return Node();
    const int start = position && *position > 0 ? *position : 0;
    int index = 0;
    for (Item *it = rec_->first; it; it = it->next) {
        if (it->kind != ItemKind::Element)
            continue;
        Record *c = static_cast<Record *>(it);
        if (index >= start && c->name && equalsFolded(c->name, name)) {
            if (position)
                *position = index + 1;
            return Node(c);
        }
        ++index;
    }
    return Node();
}

int Node::attributeCount() const
{
    return rec_ ? static_cast<int>(rec_->attrCount) : 0;
}

Attribute Node::attribute(int index) const
{
    if (!rec_ || index < 0 || static_cast<std::uint32_t>(index) >= rec_->attrCount)
        return {};
    return {rec_->attrs[index].name, rec_->attrs[index].value};
}

const char *Node::attributeByName(const char *name, int *position) const
{
    if (!rec_ || !name)
        return nullptr;
    std::uint32_t i = position && *position > 0 ? static_cast<std::uint32_t>(*position) : 0;
    for (; i < rec_->attrCount; ++i) {
        if (equalsFolded(rec_->attrs[i].name, name)) {
            if (position)
                *position = static_cast<int>(i + 1);
            return rec_->attrs[i].value ? rec_->attrs[i].value : "";
        }
    }
    return nullptr;
}

int Node::textCount() const
{
    return countItems(rec_, ItemKind::Text);
}

const char *Node::text(int index) const
{
    TextItem *t = itemAt<TextItem>(rec_, ItemKind::Text, index);
    return t ? t->text : nullptr;
}

int Node::clearCount() const
{
    return countItems(rec_, ItemKind::Clear);
}

ClearSection Node::clear(int index) const
{
    ClearItem *c = itemAt<ClearItem>(rec_, ItemKind::Clear, index);
    if (!c)
        return {};
    return {c->content, kMarkers[c->marker].open, kMarkers[c->marker].close};
}

Node Node::addChild(const char *name, bool declaration, int position)
{
    if (!rec_ || !name || rec_->declaration)
        return Node();
    Record *c = newRecord(rec_->arena, name, std::strlen(name), declaration);
    if (!c)
        return Node();
    c->parent = rec_;
    Record *before = position >= 0 ? elementAt(rec_, position) : nullptr;
    if (!before) {
        rec_->append(c);
    } else {
        Item **link = &rec_->first;
        while (*link != before)
            link = &(*link)->next;
        c->next = before;
        *link = c;
    }
    return Node(c);
}

// Stores text in place when the old one has room, so that repeated updates
// of one value do not keep growing the arena.
static char *storeString(Arena *arena, char *old, const char *text)
{
    const std::size_t n = std::strlen(text);
    if (old && std::strlen(old) >= n) {
        std::memmove(old, text, n + 1);
        return old;
    }
    return arena->copyString(text, n);
}

Attribute Node::setAttribute(const char *value, const char *newName, const char *name)
{
    if (!rec_ || !rec_->name)
        return {};
    if (!name)
        name = newName;
    if (!name)
        return {};
    Arena *arena = rec_->arena;
    AttrSlot *slot = nullptr;
    for (std::uint32_t i = 0; i < rec_->attrCount; ++i) {
        if (equalsFolded(rec_->attrs[i].name, name)) {
            slot = &rec_->attrs[i];
            break;
        }
    }
    if (!slot) {
        if (rec_->attrCount == rec_->attrCapacity) {
            const std::uint32_t capacity = rec_->attrCapacity ? rec_->attrCapacity * 2 : 4;
            AttrSlot *grown = static_cast<AttrSlot *>(arena->allocate(capacity * sizeof(AttrSlot)));
            if (!grown)
                return {};
            if (rec_->attrCount)
                std::memcpy(grown, rec_->attrs, rec_->attrCount * sizeof(AttrSlot));
            rec_->attrs = grown;
            rec_->attrCapacity = capacity;
        }
        char *stored = arena->copyString(newName ? newName : name, std::strlen(newName ? newName : name));
        if (!stored)
            return {};
        slot = &rec_->attrs[rec_->attrCount++];
        slot->name = stored;
        slot->value = nullptr;
    } else if (newName) {
        char *stored = storeString(arena, slot->name, newName);
        if (!stored)
            return {};
        slot->name = stored;
    }
    if (!value) {
        slot->value = nullptr;
    } else {
        char *stored = storeString(arena, slot->value, value);
        if (!stored)
            return {};
        slot->value = stored;
    }
    return {slot->name, slot->value};
}

namespace {
class StringSink : public Sink {
public:
    explicit StringSink(std::string &out) : out_(out) {}
    bool write(const char *data, std::size_t size) override
    {
        out_.append(data, size);
        return true;
    }

private:
    std::string &out_;
};

class FileSink : public Sink {
public:
    explicit FileSink(std::FILE *f) : f_(f) {}
    bool write(const char *data, std::size_t size) override
    {
        return std::fwrite(data, 1, size, f_) == size;
    }

private:
    std::FILE *f_;
};
} // namespace

std::string Node::createString(bool formatted) const
{
    std::string out;
    if (rec_) {
        StringSink sink(out);
        writeDocument(rec_, nullptr, false, formatted, sink);
    }
    return out;
}

std::string Node::createFileText(const char *encodingName, bool formatted) const
{
    std::string out;
    if (rec_) {
        StringSink sink(out);
        writeDocument(rec_, encodingName, true, formatted, sink);
    }
    return out;
}

int Node::writeToFile(const char *path, const char *encodingName, bool formatted) const
{
    if (!rec_)
        return NoError;
    if (!path)
        return ErrorCannotOpenForWriting;
    std::FILE *f = std::fopen(path, "wb");
    if (!f)
        return ErrorCannotOpenForWriting;
    FileSink sink(f);
    bool ok = writeDocument(rec_, encodingName, true, formatted, sink);
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok ? NoError : ErrorCannotWrite;
}

Node createTopElement(const char *name, bool declaration)
{
    if (!name)
        return Node();
    Arena *arena = new (std::nothrow) Arena(1024);
    if (!arena)
        return Node();
    Record *r = newRecord(arena, name, std::strlen(name), declaration);
    if (!r) {
        delete arena;
        return Node();
    }
    return Access::wrap(r);
}

} // namespace glint::xml
