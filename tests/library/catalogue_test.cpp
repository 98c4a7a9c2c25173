#include "library/catalogue_reader.h"
#include "library/support/library_fixture.h"
#include "web/search_urls.h"

#include <QStringEncoder>

using namespace veskor;
using namespace veskor::testing;

namespace {

QStringList keys(const Node* node)
{
    QStringList out;
    for (const Node* child : node->children())
        out << child->Key();
    return out;
}

} // namespace

TEST_F(LibraryTest, CatalogueLinesBecomeTrimmedSearchEntriesInFileOrder)
{
    writeDefaultCatalogue("  第一章  \r\n第二章\r\n  绪论\r\n");
    library.addnetsearch();
    const Node* root = library.Nodes.first();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Key(), siteName());
    EXPECT_EQ(root->Text(), "网络教学资源");
    EXPECT_EQ(root->Tag(), "folder");
    EXPECT_FALSE(root->Sorted());
    EXPECT_FALSE(root->Expanded());
    EXPECT_EQ(texts(root), (QStringList{"第一章", "第二章", "绪论"}));
    EXPECT_EQ(keys(root), (QStringList{siteRoot() + "?q=第一章", siteRoot() + "?q=第二章", siteRoot() + "?q=绪论"}));
    for (const Node* entry : root->children()) {
        EXPECT_EQ(entry->Tag(), "iesearch");
        EXPECT_EQ(entry->Image(), 14);
    }
    EXPECT_EQ(library.lastnode, root->children().back());
}

TEST_F(LibraryTest, DuplicateAndBlankLinesGiveOneEntryAtTheFirstPlace)
{
    writeDefaultCatalogue("甲\r\rB\r甲\r\r\tTab \r");
    library.addnetsearch();
    const Node* root = library.Nodes.first();
    EXPECT_EQ(texts(root), (QStringList{"甲", "", "B", "\tTab"}));
    EXPECT_EQ(keys(root)[1], siteRoot() + "?q=");
    EXPECT_EQ(keys(root)[3], siteRoot() + "?q=\tTab");
}

TEST_F(LibraryTest, CataloguesFromOtherSystemsReadLineByLine)
{
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"line feeds", "一\n二\n"},
        {"carriage returns", "一\r二"},
        {"gb18030", "\xd2\xbb\r\n\xb6\xfe\r\n"},
        {"utf-8 with mark", "\xef\xbb\xbf一\r\n二"},
    };
    for (const auto& c : cases) {
        writeDefaultCatalogue(c.bytes);
        library.Nodes.clear();
        library.addnetsearch();
        EXPECT_EQ(texts(library.Nodes.first()), (QStringList{"一", "二"})) << c.name;
    }
}

TEST_F(LibraryTest, EmptyCatalogueLeavesTheRootAloneAndSorted)
{
    writeDefaultCatalogue("");
    library.addnetsearch();
    ASSERT_EQ(library.Nodes.size(), 1u);
    EXPECT_TRUE(library.Nodes.first()->Sorted());
}

TEST_F(LibraryTest, MissingCatalogueSettingFallsBackToTheDefaultWithoutChangingIt)
{
    writeDefaultCatalogue("默认\r\n");
    settings.values["jiaocaibanben"] = path("deleted.txt");
    library.addnetsearch();
    EXPECT_EQ(texts(library.Nodes.first()), QStringList{"默认"});
    EXPECT_EQ(settings.values["jiaocaibanben"], path("deleted.txt"));

    makeFile("mine.txt", "自选\n");
    settings.values["jiaocaibanben"] = path("mine.txt");
    library.Nodes.clear();
    library.addnetsearch();
    EXPECT_EQ(texts(library.Nodes.first()), QStringList{"自选"});

    std::filesystem::remove(fsFromPath(library.defaultCatalogue()));
    settings.values.clear();
    library.Nodes.clear();
    library.addnetsearch();
    EXPECT_EQ(library.Nodes.size(), 1u);
}

TEST(CatalogueReader, EveryLineEndEndsALine)
{
    struct Case {
        QString text;
        QStringList lines;
    } cases[] = {
        {"a\rb\rc", {"a", "b", "c"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(catalogue::splitLines(c.text), c.lines) << c.text.toStdString();
    EXPECT_EQ(catalogue::trimSpaces("  \t a b \u3000 "), "\t a b \u3000");
}

TEST(CatalogueReader, DecodesUtf8Utf16AndGb18030)
{
    const QString text = "第一章 三角形\r\n第二章";
    QByteArray gb;
    for (const char c : std::string("\xb5\xda\xd2\xbb\xd5\xc2 \xc8\xfd\xbd\xc7\xd0\xce\r\n\xb5\xda\xb6\xfe\xd5\xc2"))
        gb.append(c);
    QByteArray utf16le("\xff\xfe", 2);
    utf16le += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"utf-8", text.toUtf8()},
        {"utf-8 with mark", QByteArray("\xef\xbb\xbf") + text.toUtf8()},
        {"utf-16le", utf16le},
        {"gb18030", gb},
    };
    for (const auto& c : cases)
        EXPECT_EQ(catalogue::decode(c.bytes), text) << c.name;

    // One bad byte in a UTF-8 file, or one line saved in GB18030: only that line is
    // read another way.
    const QByteArray mixed = QStringLiteral("第一章\r\n").toUtf8() + gb.mid(0, 6) + "\xff\n"
        + QStringLiteral("第三章 圆").toUtf8();
    const QStringList lines = catalogue::splitLines(catalogue::decode(mixed));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("第一章"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("第一章"))) << "the GB18030 line";
    EXPECT_EQ(lines[2], QStringLiteral("第三章 圆"));
}

TEST(CatalogueReader, BinaryAndHugeFilesAreBounded)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/huge.txt";
    {
        std::ofstream out(fsFromPath(file), std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>((i * 7919) % 251);
        for (int i = 0; i < 16; ++i)
            out << block;
    }
    auto lines = catalogue::readLines(file);
    ASSERT_TRUE(lines.ok());
    EXPECT_LE(lines->size(), catalogue::MaxLines);
    for (const QString& line : *lines)
        EXPECT_LE(line.size(), catalogue::MaxLineLength);
    EXPECT_FALSE(catalogue::readLines(dir.path() + "/missing.txt").ok());
}

TEST_F(LibraryTest, FilterCommandsRebuildTheTreeAndOpenTheTypePageMinimized)
{
    writeDefaultCatalogue("第一章\r\n");
    makeFile("资料/a.swf");
    makeFile("资料/b.ppt");
    makeFile("资料/c.doc");
    makeFile("资料/sub/d.txt");
    struct Case {
        void (Library::*command)();
        const char* kept;
        QString address;
    } cases[] = {
        {&Library::mnuswfkejian_Click, "a.swf", siteRoot() + "?ft=swf"},
        {&Library::mnupptkejian_Click, "b.ppt", siteRoot() + "?ft=ppt"},
        {&Library::mnudocwendang_Click, "c.doc", siteRoot() + "?ft=doc"},
    };
    for (const auto& c : cases) {
        library.Nodes.first() ? library.Nodes.first()->setExpanded(true) : void();
        (library.*c.command)();
        ASSERT_NE(library.Nodes.first(), nullptr);
        EXPECT_EQ(library.Nodes.first()->Text(), "网络教学资源");
        EXPECT_FALSE(library.Nodes.first()->Expanded());
        const Node* dataRootNode = library.Nodes.find(dataRoot());
        ASSERT_NE(dataRootNode, nullptr);
        EXPECT_TRUE(dataRootNode->Expanded());
        EXPECT_EQ(library.Nodes.size(), 5u) << c.kept;
        EXPECT_TRUE(library.Nodes.find(path(QString("资料/") + c.kept))) << c.kept;
        EXPECT_TRUE(library.Nodes.find(path("资料/sub")));
        ASSERT_NE(launcher.last(), nullptr);
        EXPECT_EQ(*launcher.last(), (RecordingLauncher::Call{RecordingLauncher::Call::OpenInBrowser, c.address, SW_MINIMIZE}));
    }
    library.showall();
    EXPECT_EQ(library.filetype, "");
    EXPECT_EQ(library.Nodes.size(), 8u);
    EXPECT_EQ(*launcher.last(), (RecordingLauncher::Call{RecordingLauncher::Call::OpenInBrowser, siteRoot(), SW_MINIMIZE}));
    EXPECT_EQ(launcher.calls.size(), 4u);
}
