// Fuzz target for the XML library: parse from a buffer or from a file under
// every combination of options, then check what must always hold:
//  - the result code and the handle agree;
//  - a tree that parsed without error, written, parsed and written again,
//    gives the same bytes;
//  - lookups and updates on whatever came out do not misbehave.
// The first input byte chooses the options; the rest is the document.

#include "xml/Xml.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace gx = glint::xml;

namespace {

const std::string &scratchFile()
{
    static const std::string path = "/tmp/fuzz_xml_" + std::to_string(getpid()) + ".xml";
    return path;
}

[[noreturn]] void fault(const char *what, const std::string &a, const std::string &b = std::string())
{
    std::fprintf(stderr, "fuzz_xml: %s\n--- first (%zu bytes)\n%s\n--- second (%zu bytes)\n%s\n", what, a.size(),
                 a.c_str(), b.size(), b.c_str());
    std::abort();
}

void exercise(gx::Node node)
{
    int pos = 0;
    gx::Node first = node.firstChild();
    if (!first.isEmpty() && first.name()) {
        gx::Node again = node.childByName(first.name(), &pos);
        if (again != first)
            fault("childByName missed the first child", first.name());
    }
    for (int i = 0; i < node.attributeCount() && i < 8; ++i) {
        gx::Attribute a = node.attribute(i);
        if (!node.attributeByName(a.name))
            fault("attributeByName missed an attribute", a.name);
    }
    if (node.name() && !node.isDeclaration()) {
        node.setAttribute("v&<\"'", nullptr, "fuzzAdded");
        node.addChild("fuzzChild").setAttribute("1", nullptr, "k");
        const std::string text = node.createFileText(nullptr, true);
        gx::Result r;
        gx::Node back = gx::parseBuffer(text.data(), text.size(), nullptr, &r);
        if (r.code != gx::NoError)
            fault("an updated tree did not read back", text, gx::errorText(r.code));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const char *text = reinterpret_cast<const char *>(data + 1);
    const std::size_t length = size - 1;

    gx::resetOptions();
    gx::Options &opt = gx::options();
    opt.encoding = static_cast<gx::Encoding>(1 + (control & 7) % 6);
    opt.dropWhiteSpace = !(control & 8);
    opt.commentsInsideText = !(control & 16);
    opt.wideCharDetection = !(control & 32);
    const bool viaFile = control & 64;
    const bool formatted = !(control & 128);

    gx::Result result;
    gx::Node tree;
    if (viaFile) {
        std::FILE *f = std::fopen(scratchFile().c_str(), "wb");
        if (!f)
            return 0;
        std::fwrite(text, 1, length, f);
        std::fclose(f);
        tree = gx::parseFile(scratchFile().c_str(), nullptr, &result);
    } else {
        tree = gx::parseBuffer(text, length, nullptr, &result);
    }
    if (gx::keepsTree(result.code) == tree.isEmpty())
        fault("result code and handle disagree", gx::errorText(result.code));
    if (!gx::errorText(result.code))
        fault("no text for a code", std::to_string(result.code));
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

    exercise(tree);
    return 0;
}
