// Keeps the house's floors: a folder includes only itself and the floors
// below it, a work area never includes another work area, the virtual
// camera and the XML library include nothing of the program, and no two
// files include each other, directly or around a longer circle.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kRoot = GLINT_SOURCE_ROOT;

// Floor of each product folder; a folder may include its own floor only
// from itself.
const std::map<std::string, int> kFloors = {
    {"xml", 0}, {"zeph", 0}, {"platform", 1}, {"core", 2},
    {"device", 3}, {"capture", 3}, {"matching", 3}, {"admin", 3}, {"app", 4},
};

struct Source {
    std::string path;                  // relative to the root, with '/'
    std::vector<std::string> includes; // quoted includes as written
};

std::vector<Source> productSources()
{
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<Source> sources;
    for (const auto &floor : kFloors) {
        const fs::path dir = kRoot / floor.first;
        if (!fs::exists(dir))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c"))
                continue;
            Source s;
            s.path = fs::relative(entry.path(), kRoot).generic_string();
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line))
                if (std::regex_search(line, m, include))
                    s.includes.push_back(m[1]);
            sources.push_back(std::move(s));
        }
    }
    return sources;
}

std::string topFolder(const std::string &path)
{
    return path.substr(0, path.find('/'));
}

// The include as a root-relative path, resolved beside the file first.
std::string resolve(const Source &from, const std::string &include)
{
    const fs::path beside = fs::path(from.path).parent_path() / include;
    if (fs::exists(kRoot / beside))
        return beside.lexically_normal().generic_string();
    return fs::path(include).lexically_normal().generic_string();
}

// Outside zeph/ and platform/ nothing talks to the bench (virtual_camera.h).
TEST(Floors, FoldersIncludeOnlyFloorsBelowThem)
{
    const auto sources = productSources();
    ASSERT_GT(sources.size(), 50u);
    for (const Source &s : sources) {
        const std::string folder = topFolder(s.path);
        const bool virtualCamera = s.path.rfind("zeph/virtual/", 0) == 0;
        for (const std::string &inc : s.includes) {
            if (folder != "zeph" && folder != "platform") {
                EXPECT_EQ(inc.find("virtual_camera.h"), std::string::npos) << s.path;
            }
            const std::string to = topFolder(resolve(s, inc));
            const auto floor = kFloors.find(to);
            if (floor == kFloors.end())
                continue; // generated or third-party headers
            if (virtualCamera) {
                EXPECT_EQ(to, "zeph") << s.path << " includes " << inc;
            } else if (to != folder) {
                EXPECT_LT(floor->second, kFloors.at(folder)) << s.path << " includes " << inc;
            }
        }
    }
}

TEST(Floors, NoIncludeCircles)
{
    // A .cpp and its own header count as one unit, so that a circle through
    // implementation files (a.cpp -> b.h, b.cpp -> a.h) shows too.
    auto unit = [](std::string p) {
        const auto dot = p.rfind('.');
        return dot == std::string::npos ? p : p.substr(0, dot);
    };
    std::map<std::string, std::set<std::string>> graph;
    for (const Source &s : productSources()) {
        for (const std::string &inc : s.includes) {
            const std::string to = resolve(s, inc);
            if (unit(to) != unit(s.path) && fs::exists(kRoot / to))
                graph[unit(s.path)].insert(unit(to));
        }
    }

    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string &)> visit = [&](const std::string &n) {
        state[n] = 1;
        path.push_back(n);
        for (const std::string &m : graph[n]) {
            if (state[m] == 1) {
                std::string circle;
                for (auto it = std::find(path.begin(), path.end(), m); it != path.end(); ++it)
                    circle += *it + " -> ";
                ADD_FAILURE() << "include circle: " << circle << m;
            } else if (state[m] == 0) {
                visit(m);
            }
        }
        path.pop_back();
        state[n] = 2;
    };
    for (const auto &g : graph)
        if (state[g.first] == 0)
            visit(g.first);
}

} // namespace
