#include "swf/runtime/script_index.h"

#include "swf/format/imports.h"
#include "swf/movie/limits.h"

#include <algorithm>
#include <limits>
#include <set>

namespace swf::runtime {

namespace {

constexpr std::uint16_t kExportAssets = 56;

script::ActionList decodeList(const Bytes& bytes, int version)
{
    auto decoded = decodeActions(bytes, version);
    if (!decoded.ok())
        return nullptr;
    return std::make_shared<const std::vector<Action>>(std::move(*decoded));
}

} // namespace

std::string lowerAscii(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return s;
}

ScriptIndex::ScriptIndex(const std::vector<Tag>& tags, int rootFrames, const movie::CharacterDictionary& dictionary,
                         int swfVersion)
    : m_version(swfVersion)
{
    m_root = collect(tags, rootFrames);
    collectSprites(tags, dictionary, 0);
    int frame = 0;
    int ops = 0;
    // A sprite is initialised once: a second init block for it is passed over.
    std::set<std::uint16_t> initialised;
    for (const Tag& tag : tags) {
        if (std::holds_alternative<ShowFrame>(tag)) {
            ++frame;
            ops = 0;
        } else if (std::holds_alternative<PlaceObject>(tag) || std::holds_alternative<RemoveObject>(tag)) {
            ++ops;
        } else if (const auto* init = std::get_if<DoInitAction>(&tag)) {
            m_hasScripts = true;
            if (!initialised.insert(init->spriteId).second)
                continue;
            if (auto code = decodeList(init->actions, m_version))
                m_initActions.push_back({init->spriteId, std::move(code), frame, ops});
        } else if (tag.code() == kExportAssets) {
            // A name exported again names the later character.
            for (const auto& [id, name] : exportedAssets(tag)) {
                m_exports[lowerAscii(name)].emplace_back(frame, id);
                m_exportNames[id].push_back(name);
            }
        } else if (const auto* button = std::get_if<DefineButton>(&tag)) {
            if (!button->actions.empty() || !button->condActions.empty())
                m_hasScripts = true;
        }
    }
}

TimelineScripts ScriptIndex::collect(const std::vector<Tag>& tags, int frames)
{
    TimelineScripts scripts;
    scripts.frameActions.resize(static_cast<std::size_t>(std::max(frames, 1)));
    scripts.frameBytes.resize(scripts.frameActions.size());
    scripts.frameActionOps.resize(scripts.frameActions.size());
    std::size_t frame = 0;
    int ops = 0; // placements and removals so far in this frame
    for (const Tag& tag : tags) {
        if (std::holds_alternative<ShowFrame>(tag)) {
            ++frame;
            ops = 0;
            if (frame >= scripts.frameActions.size())
                break;
        } else if (std::holds_alternative<RemoveObject>(tag)) {
            ++ops;
        } else if (const auto* action = std::get_if<DoAction>(&tag)) {
            m_hasScripts = true;
            if (auto code = decodeList(action->actions, m_version)) {
                scripts.frameActions[frame].push_back(std::move(code));
                scripts.frameBytes[frame].push_back(action->actions);
                scripts.frameActionOps[frame].push_back(ops);
            }
        } else if (const auto* label = std::get_if<FrameLabel>(&tag)) {
            scripts.labels.emplace_back(label->name, int(frame));
        } else if (const auto* place = std::get_if<PlaceObject>(&tag)) {
            ++ops;
            if (!place->clipActions.empty())
                m_hasScripts = true;
        }
    }
    return scripts;
}

void ScriptIndex::collectSprites(const std::vector<Tag>& tags, const movie::CharacterDictionary& dictionary, int nesting)
{
    if (nesting > movie::kMaxNesting)
        return;
    for (const Tag& tag : tags) {
        const auto* sprite = std::get_if<DefineSprite>(&tag);
        if (!sprite)
            continue;
        const movie::Character* character = dictionary.find(sprite->id);
        if (character && character->tag == &tag && character->timeline)
            m_sprites.emplace(character->timeline.get(), collect(sprite->tags, character->timeline->frameCount()));
        collectSprites(sprite->tags, dictionary, nesting + 1);
    }
}

const TimelineScripts* ScriptIndex::scriptsOf(const movie::Timeline* timeline) const
{
    auto it = m_sprites.find(timeline);
    return it == m_sprites.end() ? nullptr : &it->second;
}

std::uint16_t ScriptIndex::exported(const std::string& name, int reachedFrame) const
{
    auto it = m_exports.find(lowerAscii(name));
    if (it == m_exports.end())
        return 0;
    std::uint16_t id = 0;
    for (const auto& [frame, character] : it->second) {
        if (frame <= reachedFrame)
            id = character;
    }
    return id;
}

bool ScriptIndex::exportedAs(std::uint16_t id, const std::string& name, bool caseSensitive) const
{
    auto it = m_exportNames.find(id);
    if (it == m_exportNames.end() || exported(name, std::numeric_limits<int>::max()) != id)
        return false;
    return std::ranges::any_of(it->second, [&](const std::string& exportedName) {
        return caseSensitive ? exportedName == name : lowerAscii(exportedName) == lowerAscii(name);
    });
}

script::ActionList ScriptIndex::decode(const Bytes& bytes) const
{
    auto it = m_decoded.find(&bytes);
    if (it != m_decoded.end())
        return it->second;
    script::ActionList code = decodeList(bytes, m_version);
    m_decoded.emplace(&bytes, code);
    return code;
}

} // namespace swf::runtime
