// Addresses a movie gives for the files beside it: read against the folder of
// the movie that asks, honoured only inside the opened movie's folder.

#include "swf/format/addresses.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

using namespace swf;
namespace fs = std::filesystem;

TEST(Addresses, ResolveAgainstTheAskingFolderAndStayInsideTheRoot)
{
    QTemporaryDir temp;
    const fs::path dir = fs::canonical(temp.path().toStdString());
    const fs::path root = dir / "course";
    fs::create_directories(root / "unit");
    for (const fs::path& file : {root / "menu.swf", root / "unit" / "text.txt", dir / "outside.txt"})
        std::ofstream(file) << "x";
    fs::create_symlink(root / "menu.swf", root / "unit" / "menu-link.swf");
    fs::create_symlink(dir / "outside.txt", root / "unit" / "out-link.txt");

    struct Case {
        std::string address;
        fs::path folder;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"text.txt", root / "unit", root / "unit" / "text.txt"},
        {"unit\\text.txt?x=1#top", root, root / "unit" / "text.txt"},
        {"../menu.swf", root / "unit", root / "menu.swf"},
        {"menu-link.swf", root / "unit", root / "menu.swf"},
        {(root / "menu.swf").string(), root / "unit", root / "menu.swf"},
        {"file://" + (root / "unit" / "text.txt").string(), root, root / "unit" / "text.txt"},
        {"../../outside.txt", root / "unit", std::nullopt},
        {"out-link.txt", root / "unit", std::nullopt},
        {"file://" + (dir / "outside.txt").string(), root, std::nullopt},
        {"/etc/passwd", root, std::nullopt},
        {"http://example.com/menu.swf", root, std::nullopt},
        {"unit", root, std::nullopt},
        {"", root, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveAddress(c.address, c.folder, root), c.expected) << c.address;
}
