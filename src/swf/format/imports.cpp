#include "swf/format/imports.h"

#include "swf/format/addresses.h"
#include "swf/format/byte_reader.h"
#include "swf/format/character_ids.h"
#include "swf/format/reader.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

namespace swf {

namespace {

constexpr std::uint16_t kExportAssets = 56;
constexpr std::uint16_t kImportAssets = 57;
constexpr std::uint16_t kImportAssets2 = 71;
// Libraries that import from libraries: deep chains are refused past this.
constexpr int kMaxImportNesting = 8;

struct Import {
    std::string address;
    std::vector<std::pair<std::uint16_t, std::string>> assets; // id in the importer, name in the lender
};

std::optional<Import> readImport(const UnknownTag& tag)
{
    if (tag.code != kImportAssets && tag.code != kImportAssets2)
        return std::nullopt;
    ByteReader r(tag.data);
    Import import;
    import.address = r.string();
    if (tag.code == kImportAssets2) {
        r.u8();
        r.u8();
    }
    const int count = r.u16();
    for (int i = 0; i < count && !r.failed(); ++i) {
        const std::uint16_t id = r.u16();
        std::string name = r.string();
        if (!r.failed())
            import.assets.emplace_back(id, std::move(name));
    }
    return import;
}

std::string asciiLower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return s;
}

// The lender's export names, exact and folded (names are case-insensitive before SWF 7).
struct Exports {
    std::map<std::string, std::uint16_t> exact;
    std::map<std::string, std::uint16_t> folded;

    explicit Exports(const std::vector<Tag>& tags)
    {
        for (const Tag& tag : tags) {
            for (auto& [id, name] : exportedAssets(tag)) {
                folded.emplace(asciiLower(name), id);
                exact.emplace(std::move(name), id);
            }
        }
    }

    std::optional<std::uint16_t> find(const std::string& name) const
    {
        if (auto it = exact.find(name); it != exact.end())
            return it->second;
        if (auto it = folded.find(asciiLower(name)); it != folded.end())
            return it->second;
        return std::nullopt;
    }
};

std::vector<std::pair<std::uint16_t, IdRole>> idsOf(const Tag& tag)
{
    std::vector<std::pair<std::uint16_t, IdRole>> ids;
    Tag copy = tag;
    forEachCharacterId(copy, [&](std::uint16_t& id, IdRole role) { ids.emplace_back(id, role); });
    return ids;
}

// Ids the importing movie defines or names in its imports: copied characters get others.
class IdAllocator {
public:
    explicit IdAllocator(const std::vector<Tag>& tags)
    {
        for (const Tag& tag : tags) {
            for (const auto& [id, role] : idsOf(tag)) {
                if (role == IdRole::Defines)
                    m_taken.insert(id);
            }
            if (const auto* unknown = std::get_if<UnknownTag>(&tag)) {
                if (auto import = readImport(*unknown)) {
                    for (const auto& asset : import->assets)
                        m_taken.insert(asset.first);
                }
            }
        }
    }

    std::optional<std::uint16_t> fresh()
    {
        // From the top down, where authoring tools rarely reach; 0xFFFF stays "none".
        while (m_next > 0 && m_taken.count(m_next))
            --m_next;
        if (m_next == 0)
            return std::nullopt;
        m_taken.insert(m_next);
        return m_next--;
    }

private:
    std::set<std::uint16_t> m_taken;
    std::uint16_t m_next = 0xFFFE;
};

Tag exportTag(const std::vector<std::pair<std::uint16_t, std::string>>& names)
{
    UnknownTag tag{kExportAssets, {}};
    tag.data.push_back(std::uint8_t(names.size() & 0xFF));
    tag.data.push_back(std::uint8_t(names.size() >> 8));
    for (const auto& [id, name] : names) {
        tag.data.push_back(std::uint8_t(id & 0xFF));
        tag.data.push_back(std::uint8_t(id >> 8));
        tag.data.insert(tag.data.end(), name.begin(), name.end());
        tag.data.push_back(0);
    }
    return Tag(std::move(tag));
}

// The tags that bring `import`'s characters from `lender` into a movie,
// renumbered. The first import from a lender also brings every sprite it
// gives an init action, named or not: the library's init actions all run, once,
// in the movie that borrows from it.
std::vector<Tag> borrowedTags(const Import& import, const Movie& lender, IdAllocator& ids, bool firstFromLender)
{
    const std::vector<Tag>& tags = lender.tags;
    std::unordered_map<std::uint16_t, std::size_t> definition; // first definition wins
    std::unordered_map<std::uint16_t, std::vector<std::size_t>> descriptions;
    const Bytes* jpegTables = nullptr;
    // Each tag's ids, read once: reading copies the tag, bitmaps and all.
    std::vector<std::vector<std::pair<std::uint16_t, IdRole>>> tagIds;
    tagIds.reserve(tags.size());
    for (const Tag& tag : tags)
        tagIds.push_back(idsOf(tag));
    for (std::size_t i = 0; i < tags.size(); ++i) {
        for (const auto& [id, role] : tagIds[i]) {
            if (role == IdRole::Defines)
                definition.emplace(id, i);
            else if (role == IdRole::Describes)
                descriptions[id].push_back(i);
        }
        if (const auto* tables = std::get_if<JpegTables>(&tags[i]); tables && !jpegTables)
            jpegTables = &tables->data;
    }

    // The named characters under the importer's ids, then everything they use under fresh ones.
    const Exports exports(tags);
    std::unordered_map<std::uint16_t, std::uint16_t> renumbered;
    std::vector<std::pair<std::uint16_t, std::string>> names;
    std::vector<std::uint16_t> pending;
    for (const auto& [importId, name] : import.assets) {
        const auto lenderId = exports.find(name);
        if (!lenderId || !definition.count(*lenderId) || renumbered.count(*lenderId))
            continue;
        renumbered.emplace(*lenderId, importId);
        names.emplace_back(importId, name);
        pending.push_back(*lenderId);
    }
    for (std::size_t i = 0; firstFromLender && i < tags.size(); ++i) {
        const auto* init = std::get_if<DoInitAction>(&tags[i]);
        if (!init || renumbered.count(init->spriteId) || !definition.count(init->spriteId))
            continue;
        const auto fresh = ids.fresh();
        if (!fresh)
            break;
        renumbered.emplace(init->spriteId, *fresh);
        pending.push_back(init->spriteId);
    }
    while (!pending.empty()) {
        const std::uint16_t id = pending.back();
        pending.pop_back();
        std::vector<std::size_t> sources = descriptions[id];
        sources.push_back(definition.at(id));
        for (std::size_t source : sources) {
            for (const auto& [used, role] : tagIds[source]) {
                if (role != IdRole::Uses || renumbered.count(used) || !definition.count(used))
                    continue;
                const auto fresh = ids.fresh();
                if (!fresh)
                    continue;
                renumbered.emplace(used, *fresh);
                pending.push_back(used);
            }
        }
    }

    std::vector<Tag> out;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        bool wanted = false;
        for (const auto& [id, role] : tagIds[i]) {
            if (role == IdRole::Defines && renumbered.count(id) && definition.at(id) == i)
                wanted = true;
            else if (role == IdRole::Describes && renumbered.count(id))
                wanted = true;
        }
        // Init actions came with the first import from this lender and ran once.
        if (!wanted || (!firstFromLender && std::holds_alternative<DoInitAction>(tags[i])))
            continue;
        Tag copy = tags[i];
        // A reference to something the lender never defined must not land on a
        // character of the importer: it points nowhere.
        forEachCharacterId(copy, [&](std::uint16_t& id, IdRole) {
            const auto it = renumbered.find(id);
            id = it != renumbered.end() ? it->second : 0xFFFF;
        });
        // JPEG data that relies on the lender's shared tables carries them along.
        if (auto* bits = std::get_if<DefineBits>(&copy)) {
            DefineBitsJpeg whole;
            whole.version = 2;
            whole.id = bits->id;
            if (jpegTables)
                whole.imageData = *jpegTables;
            whole.imageData.insert(whole.imageData.end(), bits->jpegData.begin(), bits->jpegData.end());
            copy = Tag(std::move(whole));
        }
        out.push_back(std::move(copy));
    }
    if (!names.empty())
        out.push_back(exportTag(names));
    return out;
}

veskor::Result<Movie> loadWithin(const std::filesystem::path& path, const std::filesystem::path& root, int nesting);

void inlineImportsWithin(Movie& movie, const std::filesystem::path& folder, const std::filesystem::path& root, int nesting)
{
    inlineImports(movie, [&](const std::string& address) -> std::optional<Movie> {
        if (nesting >= kMaxImportNesting)
            return std::nullopt;
        const auto lender = resolveAddress(address, folder, root);
        if (!lender)
            return std::nullopt;
        veskor::Result<Movie> read = loadWithin(*lender, root, nesting + 1);
        if (!read.ok())
            return std::nullopt;
        return std::move(read).value();
    });
}

veskor::Result<Movie> loadWithin(const std::filesystem::path& path, const std::filesystem::path& root, int nesting)
{
    veskor::Result<Movie> movie = readMovie(path);
    if (movie.ok())
        inlineImportsWithin(*movie, path.parent_path(), root, nesting);
    return movie;
}

} // namespace

std::vector<std::pair<std::uint16_t, std::string>> exportedAssets(const Tag& tag)
{
    std::vector<std::pair<std::uint16_t, std::string>> assets;
    const auto* unknown = std::get_if<UnknownTag>(&tag);
    if (!unknown || unknown->code != kExportAssets)
        return assets;
    ByteReader r(unknown->data);
    const int count = r.u16();
    for (int i = 0; i < count && !r.failed(); ++i) {
        const std::uint16_t id = r.u16();
        std::string name = r.string();
        if (!r.failed())
            assets.emplace_back(id, std::move(name));
    }
    return assets;
}

void inlineImports(Movie& movie, const LenderSource& lenders)
{
    // Most movies import nothing: they are left as they are, without a look at their ids.
    const bool imports = std::any_of(movie.tags.begin(), movie.tags.end(), [](const Tag& tag) {
        const auto* unknown = std::get_if<UnknownTag>(&tag);
        return unknown && (unknown->code == kImportAssets || unknown->code == kImportAssets2);
    });
    if (!imports)
        return;
    IdAllocator ids(movie.tags);
    std::set<std::string> lendersRead;
    std::vector<Tag> tags;
    tags.reserve(movie.tags.size());
    for (Tag& tag : movie.tags) {
        const auto* unknown = std::get_if<UnknownTag>(&tag);
        const auto import = unknown ? readImport(*unknown) : std::nullopt;
        if (!import) {
            tags.push_back(std::move(tag));
            continue;
        }
        if (const std::optional<Movie> lender = lenders(import->address)) {
            const bool first = lendersRead.insert(import->address).second;
            std::vector<Tag> borrowed = borrowedTags(*import, *lender, ids, first);
            std::move(borrowed.begin(), borrowed.end(), std::back_inserter(tags));
        } else {
            movie.warnings.push_back("could not import from " + import->address);
        }
    }
    movie.tags = std::move(tags);
}

void inlineImportsWithin(Movie& movie, const std::filesystem::path& folder, const std::filesystem::path& root)
{
    inlineImportsWithin(movie, folder, root, 0);
}

veskor::Result<Movie> loadMovie(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    if (error)
        return readMovie(path);
    return loadWithin(real, real.parent_path(), 0);
}

} // namespace swf
