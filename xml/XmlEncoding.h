#ifndef GLINT_XML_XMLENCODING_H
#define GLINT_XML_XMLENCODING_H

// Inside of the XML library: the byte buffer a file is read into, and the
// UTF-16 conversion. Not part of the public interface.

#include "xml/Xml.h"

#include <cstdlib>

namespace glint::xml::detail {

// Bytes with a NUL after the last one, so scans can stop on it.
struct Buffer {
    char *data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;

    Buffer() = default;
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;
    ~Buffer() { std::free(data); }

    void reset()
    {
        std::free(data);
        data = nullptr;
        size = capacity = 0;
    }

    // Room for n bytes and the NUL.
    bool reserve(std::size_t n)
    {
        if (n < capacity)
            return true;
        if (n >= (std::size_t(-1) >> 1))
            return false;
        void *grown = std::realloc(data, n + 1);
        if (!grown)
            return false;
        data = static_cast<char *>(grown);
        capacity = n + 1;
        return true;
    }
};

// UTF-16 bytes (after an optional byte-order mark) to UTF-8, or to
// ISO-8859-1 when toLatin1. ErrorWideCharConversion for an odd length,
// a lone surrogate or (Latin-1) a character above 255.
int convertUtf16(const unsigned char *data, std::size_t size, bool bigEndian, bool toLatin1, Buffer &out);

} // namespace glint::xml::detail

#endif
