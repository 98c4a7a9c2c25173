// Scan speed: a generated data folder of 100,000 files in 10,000 folders, walked once by
// a bare std::filesystem::recursive_directory_iterator (reading each entry's type) and
// once by `additem` into the resource tree with its Qt model attached, as in the program.
// Prints both times, their ratio (target: at most 1.5) and the memory per node.

#include "library/library.h"
#include "library/resource_tree_model.h"
#include "platform/native_path.h"
#include "web/recording_launcher.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>

using namespace veskor;
namespace fs = std::filesystem;

namespace {

class NoSettings : public SettingsStore {
public:
    QString read(const QString&, const QString& defaultValue) const override { return defaultValue; }
    void write(const QString&, const QString&) override {}
};

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    }
    return 0;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <typename F>
double bestOf(int runs, F&& run)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, seconds(std::chrono::steady_clock::now() - start));
    }
    return best;
}

// 100 folders of 99 sub-folders each, 10 files in every folder.
void generate(const fs::path& root)
{
    static const char* const kinds[] = {".swf", ".ppt", ".doc", ".txt", ".SWF"};
    int fileNumber = 0;
    const auto fill = [&](const fs::path& folder) {
        for (int f = 0; f < 10; ++f, ++fileNumber) {
            const std::string name = "第" + std::to_string(fileNumber % 97) + "课 练习" + std::to_string(fileNumber) + kinds[fileNumber % 5];
            std::ofstream(folder / name);
        }
    };
    for (int top = 0; top < 100; ++top) {
        const fs::path folder = root / ("单元" + std::to_string(top));
        fs::create_directories(folder);
        fill(folder);
        for (int sub = 0; sub < 99; ++sub) {
            const fs::path child = folder / ("Lesson " + std::to_string(sub));
            fs::create_directory(child);
            fill(child);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // An existing folder given as argument is reused, which saves generating it again.
    QTemporaryDir dir;
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fsFromPath(dir.path()) / "data";
    if (!fs::exists(root)) {
        std::printf("generating 100,000 files in 10,000 folders under %s ...\n", root.c_str());
        generate(root);
    }

    size_t entries = 0;
    const auto bareWalk = [&] {
        entries = 0;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            entries += it->is_directory(ec) ? 1 : 1;
        }
    };
    bareWalk(); // warm the caches for both contenders

    LocalFileSystem fsys;
    // The file-system object's share of the scan: the same listings, no tree.
    const auto listingWalk = [&] {
        std::vector<QString> pending{pathFromFs(root)};
        while (!pending.empty()) {
            const QString folder = pending.back();
            pending.pop_back();
            auto listing = fsys.listFolder(folder);
            if (!listing.ok())
                continue;
            for (const FsItem& sub : listing->subFolders)
                pending.push_back(sub.Path);
        }
    };

    NoSettings settings;
    RecordingLauncher launcher;
    Library library(fsys, settings, launcher);
    ResourceTreeModel model(library.Nodes);
    library.saomiao = pathFromFs(root);

    // The contenders take turns, so a machine busy with other work slows both alike;
    // the best round of each counts.
    const long rssBefore = statusKilobytes("VmRSS");
    const size_t heapBefore = mallinfo2().uordblks;
    bool ok = true;
    double bare = 1e30, listingOnly = 1e30, scan = 1e30;
    size_t heapAfter = 0;
    for (int round = 0; round < 7; ++round) {
        bare = std::min(bare, bestOf(1, bareWalk));
        listingOnly = std::min(listingOnly, bestOf(1, listingWalk));
        library.Nodes.clear();
        scan = std::min(scan, bestOf(1, [&] { ok = library.additem().ok() && ok; }));
        if (round == 0)
            heapAfter = mallinfo2().uordblks;
    }
    const long peak = statusKilobytes("VmHWM");
    const size_t nodes = library.Nodes.size();

    // What a view adds later: putting every folder in order, as if all were opened.
    const double ordering = bestOf(1, [&] {
        std::vector<const Node*> stack(library.Nodes.topLevel().begin(), library.Nodes.topLevel().end());
        while (!stack.empty()) {
            const Node* node = stack.back();
            stack.pop_back();
            for (const Node* child : node->children())
                stack.push_back(child);
        }
    });

    std::printf("entries walked:          %zu\n", entries);
    std::printf("nodes built:             %zu%s\n", nodes, ok ? "" : " (additem reported an error)");
    std::printf("bare walk:               %.3f s\n", bare);
    std::printf("listings alone:          %.3f s\n", listingOnly);
    std::printf("additem with model:      %.3f s\n", scan);
    std::printf("ratio:                   %.2f (target <= 1.5)\n", scan / bare);
    std::printf("ordering every folder:   %.3f s (paid only for folders a view shows)\n", ordering);
    std::printf("heap per node:           %.0f bytes\n", double(heapAfter - heapBefore) / double(nodes));
    std::printf("peak memory per node:    %.0f bytes (VmHWM %ld kB, VmRSS before %ld kB)\n",
                double(peak - rssBefore) * 1024.0 / double(nodes), peak, rssBefore);
    return ok ? 0 : 1;
}
