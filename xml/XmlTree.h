#ifndef GLINT_XML_XMLTREE_H
#define GLINT_XML_XMLTREE_H

// Inside of the XML library: the records behind Node handles and the memory
// they live in. Not part of the public interface.

#include "xml/Xml.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace glint::xml::detail {

// All records and strings of one tree come from one arena, freed in one go
// once no handle refers to any record in it. Records that die earlier (their
// top lost its last handle while a detached child is still held) only become
// unreachable; their memory returns with the arena.
class Arena {
public:
    explicit Arena(std::size_t firstBlock = 4096) : nextSize_(firstBlock) {}
    ~Arena();
    Arena(const Arena &) = delete;
    Arena &operator=(const Arena &) = delete;

    // Null when memory runs out.
    void *allocate(std::size_t size, std::size_t align = alignof(void *))
    {
        std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(cur_) + (align - 1)) & ~(align - 1);
        if (cur_ && at + size <= reinterpret_cast<std::uintptr_t>(limit_)) {
            cur_ = reinterpret_cast<char *>(at + size);
            return reinterpret_cast<void *>(at);
        }
        return allocateSlow(size, align);
    }

    char *copyString(const char *s, std::size_t n)
    {
        char *d = static_cast<char *>(allocate(n + 1, 1));
        if (d) {
            if (n)
                std::memcpy(d, s, n);
            d[n] = 0;
        }
        return d;
    }

    // Number of Node handles that refer to records of this arena.
    std::size_t handles = 0;

private:
    struct Block {
        Block *prev;
        std::size_t size;
    };
    void *allocateSlow(std::size_t size, std::size_t align);

    char *cur_ = nullptr;
    char *limit_ = nullptr;
    Block *blocks_ = nullptr;
    std::size_t nextSize_;
};

enum class ItemKind : std::uint8_t { Element, Text, Clear };

// One entry of an element's content, in document order.
struct Item {
    Item *next = nullptr;
    ItemKind kind = ItemKind::Element;
    std::uint8_t marker = 0;      // clear sections: index into kMarkers
    bool declaration = false;     // elements: written as <?name ...?>
};

struct TextItem : Item {
    char *text = nullptr;
};

struct ClearItem : Item {
    char *content = nullptr;
};

struct AttrSlot {
    char *name;
    char *value; // null: written without "="
};

struct Record : Item {
    char *name = nullptr; // null for the document record
    Record *parent = nullptr;
    Item *first = nullptr;
    Item *last = nullptr;
    AttrSlot *attrs = nullptr;
    std::uint32_t attrCount = 0;
    std::uint32_t attrCapacity = 0;
    std::uint32_t refs = 0;
    std::uint32_t nameLength = 0;
    Arena *arena = nullptr;

    void append(Item *item)
    {
        item->next = nullptr;
        if (last)
            last->next = item;
        else
            first = item;
        last = item;
    }
};

struct Marker {
    const char *open;
    const char *close;
    std::uint8_t openLength;
    std::uint8_t closeLength;
};

enum : std::uint8_t { MarkerCdata = 0, MarkerDoctype = 1, MarkerComment = 2, MarkerPre = 3 };
extern const Marker kMarkers[4];

// ASCII case folding.
struct FoldTable {
    unsigned char t[256];
    constexpr FoldTable() : t()
    {
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
    }
    unsigned char operator[](unsigned char c) const { return t[c]; }
};
inline constexpr FoldTable kFold{};

inline bool equalsFolded(const char *a, const char *b)
{
    const unsigned char *x = reinterpret_cast<const unsigned char *>(a);
    const unsigned char *y = reinterpret_cast<const unsigned char *>(b);
    while (kFold[*x] == kFold[*y]) {
        if (!*x)
            return true;
        ++x;
        ++y;
    }
    return false;
}

// Compares n bytes of a (not terminated) with the terminated b.
inline bool equalsFolded(const char *a, std::size_t n, const char *b)
{
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(b[i]);
        if (!c || kFold[static_cast<unsigned char>(a[i])] != kFold[c])
            return false;
    }
    return b[n] == 0;
}

// memcpy for the short pieces a document is made of, without a call.
inline void copyBytes(char *d, const char *s, std::size_t n)
{
    if (n <= 16) {
        if (n >= 8) {
            std::uint64_t a, b;
            std::memcpy(&a, s, 8);
            std::memcpy(&b, s + n - 8, 8);
            std::memcpy(d, &a, 8);
            std::memcpy(d + n - 8, &b, 8);
        } else if (n >= 4) {
            std::uint32_t a, b;
            std::memcpy(&a, s, 4);
            std::memcpy(&b, s + n - 4, 4);
            std::memcpy(d, &a, 4);
            std::memcpy(d + n - 4, &b, 4);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                d[i] = s[i];
        }
        return;
    }
    std::memcpy(d, s, n);
}

Record *newRecord(Arena *arena, const char *name, std::size_t nameLength, bool declaration);

// Gives up one handle's hold on rec.
void release(Record *rec);

struct Access {
    static Node wrap(Record *rec) { return Node(rec); }
    static Record *record(const Node &node) { return node.rec_; }
};

// Where written text goes, in chunks.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool write(const char *data, std::size_t size) = 0;
};

// Writes the header of a file holding rec, then (always) the tree below rec,
// rec included when it has a name. False when the sink refused a chunk.
bool writeDocument(const Record *rec, const char *encodingName, bool header, bool formatted,
                   Sink &sink);

} // namespace glint::xml::detail

#endif
