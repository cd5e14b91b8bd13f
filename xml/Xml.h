#ifndef GLINT_XML_XML_H
#define GLINT_XML_XML_H

// A small XML reader and writer.
//
// A document is parsed into a tree of element records held through Node
// handles. Handles are reference counted: copying one keeps its record alive,
// and a record that no handle refers to is freed with everything it owns once
// its parent is gone. A child still held elsewhere survives, detached.
//
// Names of elements and attributes are compared without regard to ASCII case.
// Nothing is thrown and nothing is printed: parse failures give the empty
// handle and a result code, write failures a result code.
//
// Not thread-safe: a tree and the process-wide options belong to one thread.

#include <cstddef>
#include <string>

namespace glint::xml {

// ---- Process-wide options ------------------------------------------------

enum class Encoding : int {
    None = 0,       // "no guess"
    Utf8 = 1,
    SingleByte = 2, // written as ISO-8859-1
    ShiftJis = 3,
    Gb2312 = 4,
    Big5 = 5,
    Gbk = 6,
};

struct Options {
    Encoding encoding = Encoding::Utf8;
    // Files that look like UTF-16 text are converted before parsing.
    bool wideCharDetection = true;
    // Text made only of white space is not kept, and texts lose the white
    // space at their ends. Formatted output needs this on.
    bool dropWhiteSpace = true;
    // A comment that follows character data is removed, and the text goes on.
    bool commentsInsideText = true;
};

// The options every parse and write uses. parseFile sets the encoding from
// what it guesses of the file.
Options &options();
void resetOptions();

// ---- Result codes --------------------------------------------------------

enum ResultCode : int {
    NoError = 0,
    WarningUnmatchedEndTag = 1,
    WarningNoTag = 2,
    ErrorNoData = 3,
    ErrorMissingStartTagName = 4,
    ErrorMissingEndTagName = 5,
    ErrorUnmatchedEndTag = 6,
    ErrorUnmatchedClearTagEnd = 7,
    ErrorUnexpectedToken = 8,
    ErrorNoElements = 9,
    ErrorFileNotFound = 10,
    ErrorFirstTagNotFound = 11,
    ErrorUnknownEntity = 12,
    ErrorCharCodeAbove255 = 13,
    ErrorWideCharConversion = 14,
    ErrorCannotOpenForWriting = 15,
    ErrorCannotWrite = 16,
    WarningBase64Length = 17,
    ErrorBase64Character = 18,
    WarningBase64Truncated = 19,
    ErrorBase64BufferTooSmall = 20,
};

// The text of a result code; "Unknown" for any other number.
const char *errorText(int code);

// Codes 0, 1 and 2 keep the tree; every other code gives the empty handle.
inline bool keepsTree(int code) { return code >= 0 && code <= 2; }

struct Result {
    int code = NoError;
    int line = 0;   // 1-based; 0 when there is no position
    int column = 0; // 1-based byte column within the line
};

// Elements may not nest deeper than this; a deeper document gives
// ErrorUnexpectedToken rather than exhausting memory or stack.
constexpr int kMaxDepth = 1000;

// ---- Tree ----------------------------------------------------------------

struct Attribute {
    const char *name = nullptr;  // none when there is no such attribute
    const char *value = nullptr; // none for an attribute written without "="
    explicit operator bool() const { return name != nullptr; }
};

// A section kept verbatim: "<![CDATA[" "]]>", "<!DOCTYPE" ">", "<!--" "-->",
// "<PRE>" "</PRE>".
struct ClearSection {
    const char *content = nullptr;
    const char *open = nullptr;
    const char *close = nullptr;
    explicit operator bool() const { return content != nullptr; }
};

namespace detail {
struct Record;
struct Access;
}

class Node {
public:
    Node() noexcept = default;
    Node(const Node &other) noexcept;
    Node(Node &&other) noexcept;
    Node &operator=(const Node &other) noexcept;
    Node &operator=(Node &&other) noexcept;
    ~Node();

    bool isEmpty() const { return rec_ == nullptr; }
    bool operator==(const Node &other) const { return rec_ == other.rec_; }
    bool operator!=(const Node &other) const { return rec_ != other.rec_; }

    // None for the unnamed document record and for the empty handle.
    const char *name() const;
    bool isDeclaration() const;
    Node parent() const;

    // Child elements (declarations included).
    int childCount() const;
    Node child(int index) const;
    Node firstChild() const;
    Node nextSibling() const;
    // The first child element of that name at or after *position; *position
    // is left just after the match.
    Node childByName(const char *name, int *position = nullptr) const;

    int attributeCount() const;
    Attribute attribute(int index) const;
    // The value of the first attribute of that name at or after *position
    // ("" for one without a value), else none; *position is left after it.
    const char *attributeByName(const char *name, int *position = nullptr) const;

    int textCount() const;
    const char *text(int index) const;
    int clearCount() const;
    ClearSection clear(int index) const;

    // Adds a child element before the position-th child element (-1 appends).
    // Declarations take no children.
    Node addChild(const char *name, bool declaration = false, int position = -1);
    // Finds the attribute `name` and gives it `value` (none makes it
    // valueless) and, when given, the name `newName`; appends it when there
    // is no attribute of that name. The document record takes no attributes.
    Attribute setAttribute(const char *value, const char *newName, const char *name);

    // The tree as text, without a file header.
    std::string createString(bool formatted = true) const;
    // What writeToFile writes: the header, then the tree as text.
    std::string createFileText(const char *encodingName = nullptr, bool formatted = true) const;
    // Returns NoError, ErrorCannotOpenForWriting or ErrorCannotWrite.
    int writeToFile(const char *path, const char *encodingName = nullptr, bool formatted = true) const;

private:
    explicit Node(detail::Record *rec) noexcept;
    detail::Record *rec_ = nullptr;
    friend struct detail::Access;
};

// ---- Parsing -------------------------------------------------------------

// Parses a whole file. With elementName, returns the first element of that
// name in the document (ErrorFirstTagNotFound when there is none).
Node parseFile(const char *path, const char *elementName = nullptr, Result *result = nullptr);
// Parses a NUL-terminated text in the current encoding.
Node parseString(const char *text, const char *elementName = nullptr, Result *result = nullptr);
// Parses `size` bytes; a NUL byte among them is an error.
Node parseBuffer(const char *data, std::size_t size, const char *elementName = nullptr,
                 Result *result = nullptr);

// A new element record with no parent, the top of a new tree.
Node createTopElement(const char *name, bool declaration = false);

// ---- Encodings -----------------------------------------------------------

// Guesses the encoding of a file from its first bytes (at most 200 are
// looked at); Encoding::None when there is no guess.
Encoding guessEncoding(const void *data, std::size_t size);

// Whether the bytes look like UTF-16 text (a byte-order mark, or ASCII
// with zero high bytes); bigEndian tells which order.
bool looksLikeUtf16(const void *data, std::size_t size, bool *bigEndian = nullptr);

// Bytes a character takes by its lead byte (the lead-byte table).
int leadByteLength(Encoding encoding, unsigned char lead);
// Length of the character at data: its lead-byte length, cut where a
// following byte cannot continue it and to the bytes that remain.
int characterLength(Encoding encoding, const unsigned char *data, std::size_t remaining);
// Whether the last character of the bytes is cut short.
bool endsInsideCharacter(Encoding encoding, const unsigned char *data, std::size_t size);

} // namespace glint::xml

#endif
