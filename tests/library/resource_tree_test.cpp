#include "library/resource_tree.h"
#include "library/resource_tree_model.h"
#include "platform/native_path.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace veskor;

namespace {

QStringList texts(const std::vector<Node*>& nodes)
{
    QStringList out;
    for (const Node* node : nodes)
        out << node->Text();
    return out;
}

Node* addFolder(ResourceTree& tree, const QString& key)
{
    Node* node = *tree.add(key, key, 14);
    node->setSorted(true);
    return node;
}

} // namespace

TEST(ResourceTree, AddFailsOnDuplicateKeyOrMissingParent)
{
    ResourceTree tree;
    ASSERT_TRUE(tree.add("root", "Root", 14).ok());
    EXPECT_FALSE(tree.add("root", "again", 14).ok());
    EXPECT_FALSE(tree.addChild("missing", "k", "t", 16).ok());
    ASSERT_TRUE(tree.addChild("root", "k", "t", 16).ok());
    EXPECT_FALSE(tree.addChild("root", "k", "t2", 16).ok());
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree.find("k")->parent(), tree.find("root"));
    EXPECT_EQ(tree.find("root")->parent(), nullptr);
    EXPECT_EQ(tree.first(), tree.find("root"));
}

TEST(ResourceTree, SortedParentsPlaceChildrenAlphabeticallyWithNumbersAsNumbers)
{
    ResourceTree tree;
    addFolder(tree, "r");
    for (const char* text : {"第10课", "b", "第2课", "A", "a", "第1课"})
        ASSERT_TRUE(tree.addChild("r", QString("r/") + text, text, 16).ok());
    const QStringList shown = texts(tree.find("r")->children());
    EXPECT_LT(shown.indexOf("第2课"), shown.indexOf("第10课"));
    EXPECT_LT(shown.indexOf("第1课"), shown.indexOf("第2课"));
    // Case does not order: "A" and "a" stay in the order they came, both before "b".
    EXPECT_LT(shown.indexOf("A"), shown.indexOf("a"));
    EXPECT_LT(shown.indexOf("a"), shown.indexOf("b"));
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_EQ(tree.find("r")->children()[i]->row(), i);
}

TEST(ResourceTree, UnsortedParentsKeepInsertionOrderUntilSortedIsSet)
{
    ResourceTree tree;
    ASSERT_TRUE(tree.add("r", "r", 14).ok());
    for (const char* text : {"c", "a", "b"})
        ASSERT_TRUE(tree.addChild("r", text, text, 14).ok());
    EXPECT_EQ(texts(tree.find("r")->children()), (QStringList{"c", "a", "b"}));
    tree.find("r")->setSorted(true);
    EXPECT_EQ(texts(tree.find("r")->children()), (QStringList{"a", "b", "c"}));
    tree.find("r")->setSorted(false);
    ASSERT_TRUE(tree.addChild("r", "0", "0", 14).ok());
    EXPECT_EQ(texts(tree.find("r")->children()), (QStringList{"a", "b", "c", "0"}));
}

TEST(ResourceTree, BatchOrdersLikeSingleInsertions)
{
    const QStringList names{"第10课", "z", "第2课", "Z", "y10", "y9", "m", "k", "j", "i", "h", "b"};
    ResourceTree single, batched;
    addFolder(single, "r");
    addFolder(batched, "r");
    {
        ResourceTree::Batch batch(batched);
        for (const QString& name : names) {
            ASSERT_TRUE(single.addChild("r", "r/" + name, name, 16).ok());
            ASSERT_TRUE(batched.addChild("r", "r/" + name, name, 16).ok());
        }
    }
    EXPECT_EQ(texts(batched.find("r")->children()), texts(single.find("r")->children()));
    EXPECT_EQ(batched.find("r/z")->row(), single.find("r/z")->row());
}

TEST(ResourceTree, RemoveTakesEverythingBelowAndClearEmptiesTheTree)
{
    ResourceTree tree;
    addFolder(tree, "r");
    ASSERT_TRUE(tree.addChild("r", "r/a", "a", 14).ok());
    ASSERT_TRUE(tree.addChild("r/a", "r/a/x", "x", 16).ok());
    ASSERT_TRUE(tree.addChild("r", "r/b", "b", 16).ok());
    EXPECT_TRUE(tree.remove("r/a"));
    EXPECT_FALSE(tree.find("r/a/x"));
    EXPECT_FALSE(tree.remove("r/a"));
    EXPECT_EQ(tree.find("r/b")->row(), 0);
    EXPECT_TRUE(tree.addChild("r", "r/a/x", "x", 16).ok()) << "a removed key can be used again";
    tree.clear();
    EXPECT_EQ(tree.size(), 0u);
    EXPECT_EQ(tree.first(), nullptr);
}

TEST(ResourceTreeModel, PassesQtsModelTesterThroughEveryKindOfChange)
{
    ResourceTree tree;
    ResourceTreeModel model(tree);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    addFolder(tree, "r");
    for (const char* text : {"c", "a", "b"})
        ASSERT_TRUE(tree.addChild("r", QString("r/") + text, text, 16).ok());
    ASSERT_TRUE(tree.add("u", "u", 14).ok());
    for (const char* text : {"c", "a", "b"})
        ASSERT_TRUE(tree.addChild("u", QString("u/") + text, text, 16).ok());
    const QPersistentModelIndex c = model.indexOf(tree.find("u/c"));
    tree.find("u")->setSorted(true);
    EXPECT_EQ(model.nodeAt(c), tree.find("u/c"));
    EXPECT_EQ(c.row(), 2);
    tree.find("r/a")->setText("renamed");
    tree.remove("r/b");
    {
        ResourceTree::Batch batch(tree);
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(tree.addChild("r", QString("r/n%1").arg(i), QString("n%1").arg(i), 16).ok());
    }
    EXPECT_EQ(model.rowCount(model.indexOf(tree.find("r"))), 22);
    // Batches leave folders to be ordered on first look; a single insertion afterwards
    // still lands in its place and is announced there.
    {
        ResourceTree::Batch batch(tree);
        ASSERT_TRUE(tree.add("w", "w", 14).ok());
        tree.find("w")->setSorted(true);
        for (const char* text : {"k", "c", "x"})
            ASSERT_TRUE(tree.addChild("w", QString("w/") + text, text, 16).ok());
    }
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    ASSERT_TRUE(tree.addChild("w", "w/d", "d", 16).ok());
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    EXPECT_EQ(texts(tree.find("w")->children()), (QStringList{"c", "d", "k", "x"}));
    tree.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ResourceTreeModel, DataShowsTextsKeysTagsAndTheExpandedImage)
{
    ResourceTree tree;
    ResourceTreeModel model(tree);
    model.setIconProvider([](int image) {
        QPixmap pixmap(1, 1);
        pixmap.fill(QColor(image, 0, 0));
        return QIcon(pixmap);
    });
    Node* root = *tree.add("/d", "d", 14);
    Node* file = *tree.addChild("/d", pathFromNative("/d/bad\xff.swf"), pathFromNative("bad\xff"), 4);
    file->setTag("swf");
    const QModelIndex index = model.indexOf(file);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QString::fromUtf8("bad\xef\xbf\xbd"));
    EXPECT_EQ(index.data(ResourceTreeModel::KeyRole).toString(), file->Key());
    EXPECT_EQ(index.data(ResourceTreeModel::TagRole).toString(), "swf");
    EXPECT_EQ(index.data(ResourceTreeModel::ImageRole).toInt(), 4);

    const auto redOf = [&](const QModelIndex& i) {
        return qvariant_cast<QIcon>(i.data(Qt::DecorationRole)).pixmap(1, 1).toImage().pixelColor(0, 0).red();
    };
    QSignalSpy spy(&model, &ResourceTreeModel::expandedChanged);
    root->setExpandedImage(15);
    EXPECT_EQ(redOf(model.indexOf(root)), 14);
    root->setExpanded(true);
    EXPECT_EQ(redOf(model.indexOf(root)), 15);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(1).toBool(), true);

    // A batch resets the model; the view hears again which nodes are open.
    spy.clear();
    {
        ResourceTree::Batch batch(tree);
        ASSERT_TRUE(tree.addChild("/d", "/d/x", "x", 16).ok());
    }
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(model.nodeAt(spy.at(0).at(0).toModelIndex()), root);
}
