// Parse and write a generated 1 MB and 20 MB document with our XML library
// and with pugixml in the same run, then print the ratios, how time grows
// with size, and the peak memory of a parse against the file size (measured
// in a fresh child process each, so one parse's memory does not hide the
// next one's).

#include "xml/Xml.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace gx = glint::xml;

// Many elements with attributes, some text, some CDATA, some entities.
std::string makeDocument(std::size_t target)
{
    static const char *const kinds[] = {"alpha", "beta", "gamma", "delta", "epsilon"};
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<catalog version=\"3\" owner=\"bench\">\n";
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    char line[512];
    for (unsigned group = 0; s.size() < target; ++group) {
        std::snprintf(line, sizeof line, "\t<group id=\"%u\" name=\"group %u\" open=\"%s\">\n", group, group,
                      group % 3 ? "yes" : "no");
        s += line;
        for (int i = 0; i < 40; ++i) {
            const unsigned id = group * 40 + static_cast<unsigned>(i);
            const unsigned r = next();
            switch (r % 4) {
            case 0:
                std::snprintf(line, sizeof line,
                              "\t\t<item id=\"%u\" kind=\"%s\" price=\"%u.%02u\" stock=\"%u\"/>\n", id,
                              kinds[r % 5], r % 100, r % 97, r % 31);
                break;
            case 1:
                std::snprintf(line, sizeof line,
                              "\t\t<item id=\"%u\" kind=\"%s\" note=\"fish &amp; chips\">Item number %u in "
                              "stock</item>\n",
                              id, kinds[r % 5], id);
                break;
            case 2:
                std::snprintf(line, sizeof line,
                              "\t\t<entry ref=\"%u\" size=\"%u\"><![CDATA[raw <data> for %u, kept as it is]]>"
                              "</entry>\n",
                              id, r, id);
                break;
            default:
                std::snprintf(line, sizeof line,
                              "\t\t<record id=\"%u\" a=\"%u\" b=\"%u\" c=\"%u\">\n\t\t\t<name>Record %u</name>\n"
                              "\t\t\t<value unit=\"mm\">%u</value>\n\t\t</record>\n",
                              id, r % 7, r % 11, r % 13, id, r);
                break;
            }
            s += line;
        }
        s += "\t</group>\n";
    }
    s += "</catalog>\n";
    return s;
}

const std::string &document(int megabytes)
{
    static std::map<int, std::string> cache;
    auto it = cache.find(megabytes);
    if (it == cache.end())
        it = cache.emplace(megabytes, makeDocument(static_cast<std::size_t>(megabytes) << 20)).first;
    return it->second;
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void *data, std::size_t size) override { out.append(static_cast<const char *>(data), size); }
};

void BM_ParseOurs(benchmark::State &state)
{
    const std::string &doc = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        gx::Result r;
        gx::Node n = gx::parseString(doc.c_str(), nullptr, &r);
        if (r.code != gx::NoError)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}

void BM_ParsePugixml(benchmark::State &state)
{
    const std::string &doc = document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document d;
        pugi::xml_parse_result r = d.load_buffer(doc.data(), doc.size());
        if (!r)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(d);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}

void BM_WriteOurs(benchmark::State &state)
{
    const std::string &doc = document(static_cast<int>(state.range(0)));
    gx::Node tree = gx::parseString(doc.c_str());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string out = tree.createString(true);
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_WritePugixml(benchmark::State &state)
{
    const std::string &doc = document(static_cast<int>(state.range(0)));
    pugi::xml_document d;
    d.load_buffer(doc.data(), doc.size());
    std::size_t bytes = 0;
    for (auto _ : state) {
        StringWriter w;
        d.save(w, "\t", pugi::format_default);
        bytes = w.out.size();
        benchmark::DoNotOptimize(w.out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

BENCHMARK(BM_ParseOurs)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParsePugixml)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOurs)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePugixml)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

// Keeps the best CPU time of each benchmark (over --benchmark_repetitions)
// for the summary: on a shared machine the least disturbed run is the one
// that tells.
class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred)
                continue;
            std::string name = r.run_name.function_name + "/" + r.run_name.args;
            const double t = r.GetAdjustedCPUTime();
            auto it = times.find(name);
            if (it == times.end() || t < it->second)
                times[name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

// The peak resident size of this process image in KiB (VmHWM starts afresh
// with each exec, unlike ru_maxrss, which a child inherits).
long peakKiB()
{
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::atol(line + 6);
    }
    std::fclose(f);
    return kib;
}

// Child mode: parse one file and print the growth of the peak RSS in KiB.
int measure(const char *library, const char *path)
{
    const long before = peakKiB();
    long after;
    bool ok;
    if (std::strcmp(library, "ours") == 0) {
        gx::Result r;
        gx::Node n = gx::parseFile(path, nullptr, &r);
        ok = r.code == gx::NoError;
        after = peakKiB();
    } else {
        pugi::xml_document d;
        ok = static_cast<bool>(d.load_file(path));
        after = peakKiB();
    }
    std::printf("%ld\n", ok && before >= 0 && after >= 0 ? after - before : -1L);
    return ok ? 0 : 1;
}

long peakGrowthKiB(const char *self, const char *library, const std::string &path)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl(self, self, "--measure", library, path.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buf[64] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return n > 0 ? std::atol(buf) : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--measure") == 0)
        return measure(argv[2], argv[3]);

    // Freed memory stays with the process, so that neither library's figures
    // depend on what the one before it left of the heap: without this, each
    // parse's first touch of memory the allocator just gave back to the
    // system costs page faults, and which library pays them depends on the
    // order of the runs. The peak-memory children keep the default settings.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    // The documents are made, and the heap has grown to its working size,
    // before the first measurement.
    for (int mb : {1, 20}) {
        const std::string &doc = document(mb);
        gx::Node ours = gx::parseString(doc.c_str());
        pugi::xml_document theirs;
        theirs.load_buffer(doc.data(), doc.size());
        benchmark::DoNotOptimize(ours.createString());
    }
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    auto t = [&](const char *name) {
        auto it = recorder.times.find(name);
        return it == recorder.times.end() ? 0.0 : it->second;
    };
    std::printf("\nSummary (best CPU time per operation; a ratio below 1 means ours is faster)\n");
    for (const char *op : {"Parse", "Write"}) {
        for (const char *mb : {"1", "20"}) {
            const double ours = t((std::string("BM_") + op + "Ours/" + mb).c_str());
            const double pugi = t((std::string("BM_") + op + "Pugixml/" + mb).c_str());
            if (ours > 0 && pugi > 0)
                std::printf("  %s %2s MB: ours %.2f ms, pugixml %.2f ms, ours/pugixml %.2f\n", op, mb, ours, pugi,
                            ours / pugi);
        }
        const double o1 = t((std::string("BM_") + op + "Ours/1").c_str());
        const double o20 = t((std::string("BM_") + op + "Ours/20").c_str());
        if (o1 > 0 && o20 > 0)
            std::printf("  %s linearity (ours 20 MB / 1 MB): %.1f\n", op, o20 / o1);
    }

    char self[4096];
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0)
        return 0;
    self[len] = 0;
    std::printf("\nPeak memory of one parse (growth of peak RSS / file size)\n");
    for (int mb : {1, 20}) {
        const std::string path = "/tmp/bench_xml_" + std::to_string(getpid()) + "_" + std::to_string(mb) + ".xml";
        const std::string &doc = document(mb);
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (!f)
            continue;
        std::fwrite(doc.data(), 1, doc.size(), f);
        std::fclose(f);
        for (const char *lib : {"ours", "pugixml"}) {
            const long kib = peakGrowthKiB(self, lib, path);
            std::printf("  %-7s %2d MB file: %7.1f MiB peak growth, %.2f x file size\n", lib, mb, kib / 1024.0,
                        kib * 1024.0 / static_cast<double>(doc.size()));
        }
        std::remove(path.c_str());
    }
    return 0;
}
