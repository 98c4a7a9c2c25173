#pragma once

// The records of a movie as plain data: the header and a tag stream, each tag a
// variant of plain structs. The reader fills them from bytes, the writer turns
// them back into bytes; the player and the renderer only ever see these.
//
// Conventions:
// - Coordinates and lengths are Twips; shape edges are deltas from the pen, a
//   style change's moveTo is absolute, exactly as the movie stores them.
// - Fill and line style indices are 1-based into the current style tables;
//   0 means "no style".
// - Strings hold the movie's raw bytes without the terminating zero: UTF-8 from
//   version 6 on, the author's code page before. decodeString() in strings.h
//   turns them into text.

#include "swf/format/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace swf {

enum class TagCode : std::uint16_t {
    End = 0,
    ShowFrame = 1,
    DefineShape = 2,
    PlaceObject = 4,
    RemoveObject = 5,
    DefineBits = 6,
    DefineButton = 7,
    JpegTables = 8,
    SetBackgroundColor = 9,
    DefineFont = 10,
    DefineText = 11,
    DoAction = 12,
    DefineFontInfo = 13,
    DefineSound = 14,
    StartSound = 15,
    DefineButtonSound = 17,
    SoundStreamHead = 18,
    SoundStreamBlock = 19,
    DefineBitsLossless = 20,
    DefineBitsJpeg2 = 21,
    DefineShape2 = 22,
    DefineButtonCxform = 23,
    Protect = 24,
    PlaceObject2 = 26,
    RemoveObject2 = 28,
    DefineShape3 = 32,
    DefineText2 = 33,
    DefineButton2 = 34,
    DefineBitsJpeg3 = 35,
    DefineBitsLossless2 = 36,
    DefineEditText = 37,
    DefineSprite = 39,
    FrameLabel = 43,
    SoundStreamHead2 = 45,
    DefineMorphShape = 46,
    DefineFont2 = 48,
    ExportAssets = 56,
    ImportAssets = 57,
    EnableDebugger = 58,
    DoInitAction = 59,
    DefineVideoStream = 60,
    VideoFrame = 61,
    DefineFontInfo2 = 62,
    EnableDebugger2 = 64,
    ScriptLimits = 65,
    SetTabIndex = 66,
    FileAttributes = 69,
    PlaceObject3 = 70,
    ImportAssets2 = 71,
    DefineFontAlignZones = 73,
    CsmTextSettings = 74,
    DefineFont3 = 75,
    SymbolClass = 76,
    Metadata = 77,
    DefineScalingGrid = 78,
    DoAbc = 82,
    DefineShape4 = 83,
    DefineMorphShape2 = 84,
    DefineSceneAndFrameLabelData = 86,
    DefineBinaryData = 87,
    DefineFontName = 88,
    StartSound2 = 89,
    DefineBitsJpeg4 = 90,
    DefineFont4 = 91,
};

// ---------------------------------------------------------------- header

enum class Compression : std::uint8_t { None, Zlib, Lzma };

struct Header {
    Compression compression = Compression::None;
    std::uint8_t version = 10;
    // The uncompressed length the file declares (header included).
    std::uint32_t fileLength = 0;
    Rect frameSize;
    // Frames per second as 8.8 fixed point, as stored.
    std::uint16_t frameRate88 = 12 << 8;
    std::uint16_t frameCount = 1;

    double frameRate() const { return frameRate88 / 256.0; }
};

// ---------------------------------------------------------------- shapes

enum class SpreadMode : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode : std::uint8_t { Normal = 0, LinearRgb = 1 };

struct GradientRecord {
    std::uint8_t ratio = 0;
    Rgba color;
    bool operator==(const GradientRecord&) const = default;
};

struct Gradient {
    // Maps the gradient square (-16384..16384 twips on each axis) to shape space.
    Matrix matrix;
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<GradientRecord> records;
    // Focal point of a focal radial gradient, -1..1 along the x axis (8.8 in the file).
    double focalPoint = 0.0;
    bool operator==(const Gradient&) const = default;
};

enum class FillStyleType : std::uint8_t {
    Solid = 0x00,
    LinearGradient = 0x10,
    RadialGradient = 0x12,
    FocalRadialGradient = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
    NonSmoothedRepeatingBitmap = 0x42,
    NonSmoothedClippedBitmap = 0x43,
};

inline bool isGradientFill(FillStyleType t)
{
    return t == FillStyleType::LinearGradient || t == FillStyleType::RadialGradient
        || t == FillStyleType::FocalRadialGradient;
}
inline bool isBitmapFill(FillStyleType t) { return (static_cast<std::uint8_t>(t) & 0x40) != 0; }
inline bool isRepeatingBitmap(FillStyleType t)
{
    return t == FillStyleType::RepeatingBitmap || t == FillStyleType::NonSmoothedRepeatingBitmap;
}
inline bool isSmoothedBitmap(FillStyleType t)
{
    return t == FillStyleType::RepeatingBitmap || t == FillStyleType::ClippedBitmap;
}

// Only the members that belong to `type` are meaningful.
struct FillStyle {
    FillStyleType type = FillStyleType::Solid;
    Rgba color;                 // Solid
    Gradient gradient;          // gradients
    std::uint16_t bitmapId = 0; // bitmaps (0xFFFF: no bitmap)
    Matrix bitmapMatrix;        // bitmaps: maps bitmap pixels (in twips, 20 per pixel) to shape space
    bool operator==(const FillStyle&) const = default;
};

enum class CapStyle : std::uint8_t { Round = 0, None = 1, Square = 2 };
enum class JoinStyle : std::uint8_t { Round = 0, Bevel = 1, Miter = 2 };

struct LineStyle {
    Twips width;
    Rgba color; // when !hasFill
    // LineStyle2 (DefineShape4) only; the defaults are what older shapes mean.
    bool isLineStyle2 = false;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    double miterLimit = 3.0; // when join == Miter (8.8 in the file)
    bool hasFill = false;
    FillStyle fill;          // when hasFill
    bool operator==(const LineStyle&) const = default;
};

struct ShapeStyles {
    std::vector<FillStyle> fillStyles;
    std::vector<LineStyle> lineStyles;
    bool operator==(const ShapeStyles&) const = default;
};

struct StyleChangeRecord {
    std::optional<Point> moveTo;
    std::optional<std::uint32_t> fillStyle0;
    std::optional<std::uint32_t> fillStyle1;
    std::optional<std::uint32_t> lineStyle;
    // New style tables (DefineShape2 and later): later indices refer to these.
    std::optional<ShapeStyles> newStyles;
    bool operator==(const StyleChangeRecord&) const = default;
};

struct StraightEdgeRecord {
    Twips deltaX;
    Twips deltaY;
    bool operator==(const StraightEdgeRecord&) const = default;
};

// A quadratic Bézier from the pen through the control point to the anchor;
// both given as deltas (anchor relative to control).
struct CurvedEdgeRecord {
    Twips controlDeltaX;
    Twips controlDeltaY;
    Twips anchorDeltaX;
    Twips anchorDeltaY;
    bool operator==(const CurvedEdgeRecord&) const = default;
};

using ShapeRecord = std::variant<StyleChangeRecord, StraightEdgeRecord, CurvedEdgeRecord>;

// Style tables and the edge list. Glyphs and morph end shapes have empty styles.
struct Shape {
    ShapeStyles styles;
    std::vector<ShapeRecord> records;
    bool operator==(const Shape&) const = default;
};

struct DefineShape {
    std::uint8_t version = 1; // 1..4 (DefineShape, DefineShape2, 3, 4)
    std::uint16_t id = 0;
    Rect bounds;
    // DefineShape4: bounds without the strokes, and the stroke flags.
    Rect edgeBounds;
    bool usesFillWindingRule = false;
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    Shape shape;
    bool operator==(const DefineShape&) const = default;
};

// ---------------------------------------------------------------- morph shapes

struct MorphGradientRecord {
    std::uint8_t startRatio = 0;
    Rgba startColor;
    std::uint8_t endRatio = 0;
    Rgba endColor;
    bool operator==(const MorphGradientRecord&) const = default;
};

struct MorphFillStyle {
    FillStyleType type = FillStyleType::Solid;
    Rgba startColor;
    Rgba endColor;
    Matrix startGradientMatrix;
    Matrix endGradientMatrix;
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<MorphGradientRecord> gradient;
    double startFocalPoint = 0.0;
    double endFocalPoint = 0.0;
    std::uint16_t bitmapId = 0;
    Matrix startBitmapMatrix;
    Matrix endBitmapMatrix;
    bool operator==(const MorphFillStyle&) const = default;
};

struct MorphLineStyle {
    Twips startWidth;
    Twips endWidth;
    Rgba startColor;
    Rgba endColor;
    // MorphLineStyle2 (DefineMorphShape2) only.
    bool isLineStyle2 = false;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    double miterLimit = 3.0;
    bool hasFill = false;
    MorphFillStyle fill;
    bool operator==(const MorphLineStyle&) const = default;
};

struct DefineMorphShape {
    std::uint8_t version = 1; // 1 or 2
    std::uint16_t id = 0;
    Rect startBounds;
    Rect endBounds;
    Rect startEdgeBounds; // version 2
    Rect endEdgeBounds;   // version 2
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    std::vector<MorphFillStyle> fillStyles;
    std::vector<MorphLineStyle> lineStyles;
    // Style indices in both edge lists refer to the morph style tables above;
    // the two lists have the same edges in the same order.
    std::vector<ShapeRecord> startEdges;
    std::vector<ShapeRecord> endEdges;
    bool operator==(const DefineMorphShape&) const = default;
};

// ---------------------------------------------------------------- display list

enum class BlendMode : std::uint8_t {
    Normal = 0, // 0 and 1 in the file
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11,
    Erase = 12,
    Overlay = 13,
    HardLight = 14,
};

enum class FilterType : std::uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
};

// A filter as stored: its type and its bytes after the type byte. The reader
// knows each filter's size so a filter list is skipped exactly; the player may
// decode the bytes when it draws filters.
struct Filter {
    FilterType type = FilterType::Blur;
    Bytes data;
    bool operator==(const Filter&) const = default;
};

// Event flags of clip actions (PlaceObject2/3), as one 32-bit mask in the bit
// order of the version 6+ layout (version 5 movies store the low 16 bits only).
struct ClipAction {
    std::uint32_t eventFlags = 0;
    std::uint8_t keyCode = 0; // when the key-press flag is set
    Bytes actions;            // raw action bytes
    bool operator==(const ClipAction&) const = default;
};

struct PlaceObject {
    std::uint8_t version = 2; // 1, 2 or 3
    std::uint16_t depth = 0;
    // Version 1 always places a character; 2 and 3 may only modify the object at depth.
    bool isMove = false;
    std::optional<std::uint16_t> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;
    std::optional<std::uint16_t> ratio;
    std::optional<std::string> name;
    std::optional<std::uint16_t> clipDepth;
    // Version 3 only.
    std::optional<std::string> className;
    bool hasImage = false;
    std::optional<std::vector<Filter>> filters;
    std::optional<BlendMode> blendMode;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<Rgba> backgroundColor;
    // Versions 2 and 3.
    std::uint32_t allEventFlags = 0;
    std::vector<ClipAction> clipActions;
    bool operator==(const PlaceObject&) const = default;
};

struct RemoveObject {
    std::uint8_t version = 2; // 1 or 2
    std::uint16_t characterId = 0; // version 1 only
    std::uint16_t depth = 0;
    bool operator==(const RemoveObject&) const = default;
};

struct ShowFrame {
    bool operator==(const ShowFrame&) const = default;
};

struct End {
    bool operator==(const End&) const = default;
};

struct SetBackgroundColor {
    Rgba color;
    bool operator==(const SetBackgroundColor&) const = default;
};

struct FrameLabel {
    std::string name;
    bool namedAnchor = false;
    bool operator==(const FrameLabel&) const = default;
};

// ---------------------------------------------------------------- bitmaps

struct DefineBits {
    std::uint16_t id = 0;
    Bytes jpegData; // JPEG without tables: completed by the movie's JpegTables
    bool operator==(const DefineBits&) const = default;
};

struct JpegTables {
    Bytes data;
    bool operator==(const JpegTables&) const = default;
};

enum class ImageFormat : std::uint8_t { Unknown, Jpeg, Png, Gif };

struct DefineBitsJpeg {
    std::uint8_t version = 2; // 2, 3 or 4
    std::uint16_t id = 0;
    Bytes imageData;              // JPEG, PNG or GIF, as stored
    Bytes alphaData;              // versions 3 and 4: zlib-compressed alpha plane, one byte a pixel
    std::uint16_t deblockParam = 0; // version 4, 8.8
    bool operator==(const DefineBitsJpeg&) const = default;
};

struct DefineBitsLossless {
    std::uint8_t version = 1; // 1 or 2 (2 has alpha)
    std::uint16_t id = 0;
    std::uint8_t format = 5;  // 3: colour-mapped, 4: 15-bit (version 1 only), 5: 32-bit
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t colorTableSize = 0; // format 3: number of entries (the stored byte + 1)
    Bytes zlibData;                   // as stored; inflateLossless() in bitmaps.h unpacks it
    bool operator==(const DefineBitsLossless&) const = default;
};

// ---------------------------------------------------------------- fonts and text

struct KerningRecord {
    std::uint16_t code1 = 0;
    std::uint16_t code2 = 0;
    std::int16_t adjustment = 0;
    bool operator==(const KerningRecord&) const = default;
};

struct DefineFont {
    std::uint8_t version = 1; // 1, 2 or 3
    std::uint16_t id = 0;
    // Glyph outlines in EM-square units: 1024 per em, 20480 for DefineFont3.
    std::vector<Shape> glyphs;
    // Versions 2 and 3 (version 1 takes these from DefineFontInfo).
    std::string name;
    std::uint8_t languageCode = 0;
    bool hasLayout = false;
    bool shiftJis = false;
    bool smallText = false;
    bool ansi = false;
    bool wideOffsets = false;
    bool wideCodes = true;
    bool italic = false;
    bool bold = false;
    std::vector<std::uint16_t> codeTable; // one per glyph
    // When hasLayout.
    std::uint16_t ascent = 0;
    std::uint16_t descent = 0;
    std::int16_t leading = 0;
    std::vector<std::int16_t> advances;
    std::vector<Rect> glyphBounds;
    std::vector<KerningRecord> kerning;

    double emSquare() const { return version == 3 ? 20480.0 : 1024.0; }
    bool operator==(const DefineFont&) const = default;
};

struct DefineFontInfo {
    std::uint8_t version = 1; // 1 or 2
    std::uint16_t fontId = 0;
    std::string name;
    bool smallText = false;
    bool shiftJis = false;
    bool ansi = false;
    bool italic = false;
    bool bold = false;
    bool wideCodes = false;
    std::uint8_t languageCode = 0; // version 2
    std::vector<std::uint16_t> codeTable;
    bool operator==(const DefineFontInfo&) const = default;
};

struct GlyphEntry {
    std::uint32_t index = 0;
    std::int32_t advance = 0; // twips
    bool operator==(const GlyphEntry&) const = default;
};

// Style fields are present only when the record changes them.
struct TextRecord {
    std::optional<std::uint16_t> fontId; // set together with height
    std::optional<Rgba> color;           // DefineText: alpha always 255
    std::optional<Twips> xOffset;
    std::optional<Twips> yOffset;
    std::optional<Twips> height;
    std::vector<GlyphEntry> glyphs;
    bool operator==(const TextRecord&) const = default;
};

struct DefineText {
    std::uint8_t version = 1; // 1 or 2 (2 has alpha in colours)
    std::uint16_t id = 0;
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
    bool operator==(const DefineText&) const = default;
};

enum class TextAlign : std::uint8_t { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextLayout {
    TextAlign align = TextAlign::Left;
    Twips leftMargin;
    Twips rightMargin;
    Twips indent;
    Twips leading; // may be negative
    bool operator==(const EditTextLayout&) const = default;
};

struct DefineEditText {
    std::uint16_t id = 0;
    Rect bounds;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool autoSize = false;
    bool noSelect = false;
    bool border = false;
    bool wasStatic = false;
    bool html = false;
    bool useOutlines = false;
    std::optional<std::uint16_t> fontId;
    std::optional<std::string> fontClass;
    std::optional<Twips> height; // with fontId or fontClass
    std::optional<Rgba> color;
    std::optional<std::uint16_t> maxLength;
    std::optional<EditTextLayout> layout;
    std::string variableName;
    std::optional<std::string> initialText;
    bool operator==(const DefineEditText&) const = default;
};

// ---------------------------------------------------------------- buttons

struct ButtonRecord {
    bool stateUp = false;
    bool stateOver = false;
    bool stateDown = false;
    bool stateHitTest = false;
    std::uint16_t characterId = 0;
    std::uint16_t depth = 0;
    Matrix matrix;
    ColorTransform colorTransform; // DefineButton2 only
    std::vector<Filter> filters;   // DefineButton2, when present
    BlendMode blendMode = BlendMode::Normal;
    bool operator==(const ButtonRecord&) const = default;
};

struct ButtonCondAction {
    std::uint16_t conditions = 0; // the 16 condition bits in stored order: IdleToOverDown is bit 15, key code bits 1..7, OverDownToIdle bit 0
    Bytes actions;
    bool operator==(const ButtonCondAction&) const = default;
};

struct DefineButton {
    std::uint8_t version = 1; // 1 or 2
    std::uint16_t id = 0;
    bool trackAsMenu = false; // version 2
    std::vector<ButtonRecord> records;
    Bytes actions;                           // version 1
    std::vector<ButtonCondAction> condActions; // version 2
    bool operator==(const DefineButton&) const = default;
};

// ---------------------------------------------------------------- actions

struct DoAction {
    Bytes actions;
    bool operator==(const DoAction&) const = default;
};

struct DoInitAction {
    std::uint16_t spriteId = 0;
    Bytes actions;
    bool operator==(const DoInitAction&) const = default;
};

// ---------------------------------------------------------------- the rest

// Every tag the engine does not read (sounds, video, other scripts, metadata),
// and any tag whose body could not be read: kept by its length, never fatal.
struct UnknownTag {
    std::uint16_t code = 0;
    Bytes data;
    bool operator==(const UnknownTag&) const = default;
};

struct Tag;

struct DefineSprite {
    std::uint16_t id = 0;
    std::uint16_t frameCount = 0;
    std::vector<Tag> tags;
    // The length of the sprite's own tag stream in the file: what a script
    // reads as the byte total of a clip placed from it. Not part of equality.
    std::uint32_t streamLength = 0;
    // The sprite's data stopped without an End tag. The player then takes
    // the sprite as still loading: it never loops.
    bool unterminated = false;
    bool operator==(const DefineSprite&) const;
};

using TagVariant = std::variant<ShowFrame, End, SetBackgroundColor, FrameLabel, DefineShape, DefineMorphShape,
    PlaceObject, RemoveObject, DefineSprite, DefineBits, JpegTables, DefineBitsJpeg, DefineBitsLossless, DefineFont,
    DefineFontInfo, DefineText, DefineEditText, DefineButton, DoAction, DoInitAction, UnknownTag>;

// A tag of the stream. A struct over the variant so that DefineSprite can hold
// a list of tags; std::visit, std::get and std::get_if work on it directly.
struct Tag : TagVariant {
    using TagVariant::TagVariant;
    // The code this tag is stored under.
    std::uint16_t code() const;
    const TagVariant& variant() const { return *this; }
    TagVariant& variant() { return *this; }
    bool operator==(const Tag& other) const { return variant() == other.variant(); }
};

inline bool DefineSprite::operator==(const DefineSprite& other) const
{
    return id == other.id && frameCount == other.frameCount && tags == other.tags
           && unterminated == other.unterminated;
}

// A whole movie: its header and its top-level tags in file order.
struct Movie {
    Header header;
    std::vector<Tag> tags;
    // Tags that could not be read and were kept as UnknownTag, a truncated
    // stream, limits that cut something off: what a developer wants to know.
    std::vector<std::string> warnings;
    // The tag stream ended before an End tag (the frames before the cut load).
    bool truncated = false;
    // The bytes of the movie (counted uncompressed, signature included) that
    // the file really holds, at most the length its header declares.
    std::uint32_t loadedLength = 0;
};

inline std::uint16_t Tag::code() const
{
    struct Visitor {
        std::uint16_t operator()(const ShowFrame&) const { return 1; }
        std::uint16_t operator()(const End&) const { return 0; }
        std::uint16_t operator()(const SetBackgroundColor&) const { return 9; }
        std::uint16_t operator()(const FrameLabel&) const { return 43; }
        std::uint16_t operator()(const DefineShape& t) const
        {
            static constexpr std::uint16_t codes[] = {2, 2, 22, 32, 83};
            return codes[t.version <= 4 ? t.version : 4];
        }
        std::uint16_t operator()(const DefineMorphShape& t) const { return t.version == 2 ? 84 : 46; }
        std::uint16_t operator()(const PlaceObject& t) const
        {
            return t.version == 1 ? 4 : t.version == 3 ? 70 : 26;
        }
        std::uint16_t operator()(const RemoveObject& t) const { return t.version == 1 ? 5 : 28; }
        std::uint16_t operator()(const DefineSprite&) const { return 39; }
        std::uint16_t operator()(const DefineBits&) const { return 6; }
        std::uint16_t operator()(const JpegTables&) const { return 8; }
        std::uint16_t operator()(const DefineBitsJpeg& t) const
        {
            return t.version == 4 ? 90 : t.version == 3 ? 35 : 21;
        }
        std::uint16_t operator()(const DefineBitsLossless& t) const { return t.version == 2 ? 36 : 20; }
        std::uint16_t operator()(const DefineFont& t) const
        {
            return t.version == 3 ? 75 : t.version == 2 ? 48 : 10;
        }
        std::uint16_t operator()(const DefineFontInfo& t) const { return t.version == 2 ? 62 : 13; }
        std::uint16_t operator()(const DefineText& t) const { return t.version == 2 ? 33 : 11; }
        std::uint16_t operator()(const DefineEditText&) const { return 37; }
        std::uint16_t operator()(const DefineButton& t) const { return t.version == 2 ? 34 : 7; }
        std::uint16_t operator()(const DoAction&) const { return 12; }
        std::uint16_t operator()(const DoInitAction&) const { return 59; }
        std::uint16_t operator()(const UnknownTag& t) const { return t.code; }
    };
    return std::visit(Visitor{}, variant());
}

} // namespace swf
