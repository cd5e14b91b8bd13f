// Fuzz target for the XML library: parse a buffer under every combination
// of options, then check what must always hold: the result code and the
// handle agree, and a tree that parsed without error, written, parsed and
// written again, gives the same bytes. The first input byte chooses the
// options; the rest is the document. (Lookups, updates and file input on
// known documents are tests/xml's.)

#include "xml/Xml.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace gx = glint::xml;

namespace {

[[noreturn]] void fault(const char *what, const std::string &a, const std::string &b = std::string())
{
    std::fprintf(stderr, "fuzz_xml: %s\n--- first\n%s\n--- second\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    gx::resetOptions();
    gx::Options &opt = gx::options();
    opt.encoding = static_cast<gx::Encoding>(1 + (control & 7) % 6);
    opt.dropWhiteSpace = !(control & 8);
    opt.commentsInsideText = !(control & 16);
    opt.wideCharDetection = !(control & 32);
    const bool formatted = !(control & 128);

    gx::Result result;
    gx::Node tree = gx::parseBuffer(reinterpret_cast<const char *>(data + 1), size - 1, nullptr, &result);
    if (gx::keepsTree(result.code) == tree.isEmpty() || !gx::errorText(result.code))
        fault("result code and handle disagree", std::to_string(result.code));
    if (result.code != gx::NoError)
        return 0;

    const std::string first = tree.createString(formatted);
    gx::Result again;
    gx::Node reread = gx::parseBuffer(first.data(), first.size(), nullptr, &again);
    if (again.code != gx::NoError)
        fault("written text did not parse", first, gx::errorText(again.code));
    const std::string second = reread.createString(formatted);
    if (second != first)
        fault("write, parse, write changed the bytes", first, second);
    return 0;
}
