// `addnetsearch`: the catalogue branch "网络教学资源", one search entry per line of the
// catalogue file, in file order.

#include "library/catalogue_reader.h"
#include "library/library.h"
#include "web/search_urls.h"

namespace veskor {

void Library::addnetsearch()
{
    QString path = m_settings.read(QStringLiteral("jiaocaibanben"), defaultCatalogue());
    if (!fsys.FileExists(path))
        path = defaultCatalogue();

    // Steps that fail are skipped. A node is only touched through `lastnode` once this
    // call has set it, so a node removed earlier is never reached.
    Node* current = nullptr;
    if (auto root = Nodes.add(searchsite, QStringLiteral("网络教学资源"), ImageFolder); root.ok()) {
        current = *root;
        setLastnode(current);
        current->setTag(TagFolder);
        current->setSorted(true);
        current->setExpanded(false);
    }

    auto lines = catalogue::readLines(path);
    if (!lines.ok())
        return;
    for (const QString& line : std::as_const(*lines)) {
        const QString keyword = catalogue::trimSpaces(line);
        // The root stops sorting with its first entry, so entries keep the file's order.
        // A duplicate keyword fails to add and leaves `lastnode` on the entry before it,
        // which the two flag settings below then leave as it was.
        if (current)
            current->setSorted(false);
        if (auto entry = Nodes.addChild(searchsite, keywordSearch(keyword), keyword, ImageFolder); entry.ok()) {
            current = *entry;
            setLastnode(current);
        }
        if (current) {
            current->setTag(TagSearch);
            current->setSorted(false);
        }
    }
}

} // namespace veskor
