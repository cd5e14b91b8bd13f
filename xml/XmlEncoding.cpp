// Options, result texts, lead-byte tables, the encoding guess and UTF-16
// conversion.

#include "xml/XmlEncoding.h"

#include <cstring>

namespace glint::xml {

Options &options()
{
    static Options current;
    return current;
}

void resetOptions()
{
    options() = Options();
}

const char *errorText(int code)
{
    static const char *const texts[] = {
        "No error",
        "Warning: Unmatched end tag",
        "Warning: No XML tag found",
        "Error: No XML data",
        "Error: Missing start tag name",
        "Error: Missing end tag name",
        "Error: Unmatched end tag",
        "Error: Unmatched clear tag end",
        "Error: Unexpected token found",
        "Error: No elements found",
        "Error: File not found",
        "Error: First Tag not found",
        "Error: Unknown character entity",
        "Error: Character code above 255 is forbidden in MultiByte char mode.",
        "Error: unable to convert between WideChar and MultiByte chars",
        "Error: unable to open file for writing",
        "Error: cannot write into file",
        "Warning: Base64-string length is not a multiple of 4",
        "Error: Base64-string contains an illegal character",
        "Warning: Base64-string is truncated",
        "Error: Base64 decode output buffer is too small",
    };
    if (code < 0 || code >= static_cast<int>(sizeof texts / sizeof texts[0]))
        return "Unknown";
    return texts[code];
}

namespace {

struct LeadTables {
    unsigned char utf8[256];
    unsigned char sjis[256];
    unsigned char gb2312[256];
    unsigned char big5gbk[256]; // Big5 and GBK share one table
    constexpr LeadTables() : utf8(), sjis(), gb2312(), big5gbk()
    {
        for (int b = 0; b < 256; ++b) {
            utf8[b] = b >= 0xF0 && b <= 0xF7 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC0 && b <= 0xDF ? 2 : 1;
            sjis[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
            gb2312[b] = b >= 0xA1 && b <= 0xF7 ? 2 : 1;
            big5gbk[b] = b >= 0x81 && b <= 0xFE ? 2 : 1;
        }
    }
};
constexpr LeadTables kLead;

inline bool continues(Encoding e, unsigned char b)
{
    switch (e) {
    case Encoding::Utf8:
        return b >= 0x80 && b <= 0xBF;
    case Encoding::ShiftJis:
        return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
    case Encoding::Gb2312:
        return b >= 0xA1 && b <= 0xFE;
    case Encoding::Big5:
    case Encoding::Gbk:
        return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
    default:
        return false;
    }
}

// Bytes below this never continue a character, so a scan may start after one.
inline unsigned char safeBelow(Encoding e)
{
    return e == Encoding::Utf8 ? 0x80 : 0x40;
}

inline bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool nameIs(const unsigned char *name, std::size_t n, const char *word)
{
    const std::size_t w = std::strlen(word);
    if (n != w)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char a = name[i], b = static_cast<unsigned char>(word[i]);
        if (a >= 'A' && a <= 'Z')
            a = static_cast<unsigned char>(a + 32);
        if (b >= 'A' && b <= 'Z')
            b = static_cast<unsigned char>(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

int leadByteLength(Encoding encoding, unsigned char lead)
{
    switch (encoding) {
    case Encoding::Utf8:
        return kLead.utf8[lead];
    case Encoding::ShiftJis:
        return kLead.sjis[lead];
    case Encoding::Gb2312:
        return kLead.gb2312[lead];
    case Encoding::Big5:
    case Encoding::Gbk:
        return kLead.big5gbk[lead];
    default:
        return 1;
    }
}

int characterLength(Encoding encoding, const unsigned char *data, std::size_t remaining)
{
    if (!data || remaining == 0)
        return 0;
    std::size_t len = static_cast<std::size_t>(leadByteLength(encoding, data[0]));
    if (len > remaining)
        len = remaining;
    for (std::size_t k = 1; k < len; ++k) {
        if (!continues(encoding, data[k]))
            return static_cast<int>(k);
    }
    return static_cast<int>(len);
}

bool endsInsideCharacter(Encoding encoding, const unsigned char *data, std::size_t size)
{
    if (!data || size == 0)
        return false;
    if (encoding != Encoding::Utf8 && encoding != Encoding::ShiftJis && encoding != Encoding::Gb2312
        && encoding != Encoding::Big5 && encoding != Encoding::Gbk)
        return false;
    const unsigned char safe = safeBelow(encoding);
    std::size_t j = size;
    while (j > 0 && data[j - 1] >= safe)
        --j;
    while (j < size) {
        const std::size_t n = static_cast<std::size_t>(characterLength(encoding, data + j, size - j));
        if (n == size - j && static_cast<std::size_t>(leadByteLength(encoding, data[j])) > n)
            return true;
        j += n;
    }
    return false;
}

bool looksLikeUtf16(const void *data, std::size_t size, bool *bigEndian)
{
    const unsigned char *d = static_cast<const unsigned char *>(data);
    if (bigEndian)
        *bigEndian = false;
    if (!d || size < 2)
        return false;
    if (d[0] == 0xFF && d[1] == 0xFE)
        return true;
    if (d[0] == 0xFE && d[1] == 0xFF) {
        if (bigEndian)
            *bigEndian = true;
        return true;
    }
    const std::size_t n = size < 200 ? size : 200;
    const std::size_t pairs = n / 2;
    if (pairs < 2)
        return false;
    std::size_t zeroHigh = 0, zeroLow = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        zeroLow += d[i] == 0;
        zeroHigh += d[i + 1] == 0;
    }
    // Mostly ASCII text: one byte of each pair zero, the other hardly ever.
    if (zeroHigh * 2 >= pairs && zeroLow * 16 <= zeroHigh)
        return true;
    if (zeroLow * 2 >= pairs && zeroHigh * 16 <= zeroLow) {
        if (bigEndian)
            *bigEndian = true;
        return true;
    }
    return false;
}

Encoding guessEncoding(const void *data, std::size_t size)
{
    const unsigned char *d = static_cast<const unsigned char *>(data);
    const std::size_t n = size < 200 ? size : 200;
    if (!d || n < 25)
        return Encoding::None;
    if (options().wideCharDetection && looksLikeUtf16(d, n))
        return Encoding::None;
    if (d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF)
        return Encoding::Utf8;

    bool validUtf8 = true;
    for (std::size_t i = 0; i < n && d[i];) {
        std::size_t len = static_cast<std::size_t>(kLead.utf8[d[i]]);
        if (len > n - i)
            len = n - i; // the sample may end inside a character
        for (std::size_t k = 1; k < len; ++k) {
            if (d[i + k] < 0x80 || d[i + k] > 0xBF) {
                validUtf8 = false;
                break;
            }
        }
        if (!validUtf8)
            break;
        i += len;
    }

    static const char kWord[] = "encoding";
    const std::size_t w = sizeof kWord - 1;
    for (std::size_t i = 0; i + w <= n; ++i) {
        if (std::memcmp(d + i, kWord, w) != 0)
            continue;
        std::size_t p = i + w;
        while (p < n && isBlank(d[p]))
            ++p;
        if (p >= n || d[p] != '=')
            continue;
        ++p;
        while (p < n && isBlank(d[p]))
            ++p;
        if (p >= n || (d[p] != '"' && d[p] != '\''))
            continue;
        const unsigned char quote = d[p++];
        while (p < n && isBlank(d[p]))
            ++p;
        const std::size_t start = p;
        while (p < n && d[p] != quote && !isBlank(d[p]))
            ++p;
        const unsigned char *name = d + start;
        const std::size_t len = p - start;
        if (nameIs(name, len, "utf-8") || nameIs(name, len, "utf8"))
            return validUtf8 ? Encoding::Utf8 : Encoding::None;
        if (nameIs(name, len, "shiftjis") || nameIs(name, len, "shift-jis") || nameIs(name, len, "sjis")
            || nameIs(name, len, "shift_jis"))
            return Encoding::ShiftJis;
        if (nameIs(name, len, "gb2312"))
            return Encoding::Gb2312;
        if (nameIs(name, len, "big5"))
            return Encoding::Big5;
        if (nameIs(name, len, "gbk"))
            return Encoding::Gbk;
        return Encoding::SingleByte;
    }
    return validUtf8 ? Encoding::Utf8 : Encoding::SingleByte;
}

namespace detail {

int convertUtf16(const unsigned char *data, std::size_t size, bool bigEndian, bool toLatin1, Buffer &out)
{
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        data += 2;
        size -= 2;
    }
    if (size % 2)
        return ErrorWideCharConversion;
    const std::size_t units = size / 2;
    // At most three UTF-8 bytes per unit (a pair gives four for two units).
    if (!out.reserve(units * 3 + 1))
        return ErrorNoData;
    char *o = out.data;
    auto unitAt = [&](std::size_t i) -> unsigned {
        const unsigned char a = data[2 * i], b = data[2 * i + 1];
        return bigEndian ? (unsigned(a) << 8 | b) : (unsigned(b) << 8 | a);
    };
    for (std::size_t i = 0; i < units; ++i) {
        unsigned cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= units)
                return ErrorWideCharConversion;
            const unsigned lo = unitAt(i + 1);
            if (lo < 0xDC00 || lo > 0xDFFF)
                return ErrorWideCharConversion;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return ErrorWideCharConversion;
        }
        if (toLatin1) {
            if (cp > 0xFF)
                return ErrorWideCharConversion;
            *o++ = static_cast<char>(cp);
        } else if (cp < 0x80) {
            *o++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *o++ = static_cast<char>(0xC0 | (cp >> 6));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (cp >> 12));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (cp >> 18));
            *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out.size = static_cast<std::size_t>(o - out.data);
    out.data[out.size] = 0;
    return NoError;
}

} // namespace detail

} // namespace glint::xml
