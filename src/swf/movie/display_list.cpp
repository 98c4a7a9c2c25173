#include "swf/movie/display_list.h"

#include "common/utf8.h"

#include <cstdio>

namespace swf::movie {

int countObjects(const ClipState& clip)
{
    int count = 0;
    for (const auto& [depth, object] : clip.objects) {
        ++count;
        if (object.clip)
            count += countObjects(*object.clip);
    }
    return count;
}

namespace {

const char* kindName(const DisplayObject& object)
{
    if (!object.character)
        return object.clip ? "clip" : "?";
    switch (object.character->kind) {
    case Character::Kind::Shape: return "shape";
    case Character::Kind::MorphShape: return "morph";
    case Character::Kind::Text: return "text";
    case Character::Kind::EditText: return "edittext";
    case Character::Kind::Sprite: return "sprite";
    case Character::Kind::Button: return "button";
    case Character::Kind::Video: return "video";
    }
    return "?";
}

void describe(const ClipState& clip, int indent, std::string& out)
{
    char line[256];
    for (const auto& [depth, object] : clip.objects) {
        const Matrix& m = object.matrix;
        std::snprintf(line, sizeof line, "%*s%d %s #%u \"%s\" at (%.2f, %.2f) scale (%.3f, %.3f)%s%s%s", indent * 2, "",
                      depth - kScriptDepthOffset, kindName(object), unsigned(object.characterId), object.name.c_str(),
                      m.translateX.toPixels(), m.translateY.toPixels(), m.scaleX, m.scaleY,
                      object.visible ? "" : " hidden", object.clipDepth ? " mask" : "",
                      object.isScriptMask ? " script-mask" : "");
        out += line;
        if (const ColorTransform& c = object.colorTransform; !c.isIdentity()) {
            std::snprintf(line, sizeof line, " colour (%.2f %.2f %.2f %.2f | %g %g %g %g)", c.rMult, c.gMult, c.bMult,
                          c.aMult, c.rAdd, c.gAdd, c.bAdd, c.aAdd);
            out += line;
        }
        if (object.clip && object.clip->timeline)
            out += " frame " + std::to_string(object.clip->frame);
        if (object.text) {
            std::string text;
            for (char32_t c : object.text->text.substr(0, 60))
                text += c == U'\r' || c == U'\n' ? std::string("\\n") : veskor::encodeUtf8(std::uint32_t(c));
            out += " text \"" + text + "\"";
        }
        out += '\n';
        if (object.clip)
            describe(*object.clip, indent + 1, out);
    }
}

} // namespace

std::string describeTree(const ClipState& clip)
{
    std::string out;
    describe(clip, 0, out);
    return out;
}

} // namespace swf::movie
