#pragma once

// Script bytecode (the action records of DoAction, DoInitAction, button and
// clip actions) decoded into a flat list of actions with typed operands.
// Jumps, function bodies, With blocks and Try blocks refer to positions in
// that list, so the interpreter never looks at bytes again.

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace swf {

enum class ActionCode : std::uint8_t {
    End = 0x00,
    NextFrame = 0x04,
    PreviousFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    ToggleQuality = 0x08,
    StopSounds = 0x09,
    Add = 0x0A,
    Subtract = 0x0B,
    Multiply = 0x0C,
    Divide = 0x0D,
    Equals = 0x0E,
    Less = 0x0F,
    And = 0x10,
    Or = 0x11,
    Not = 0x12,
    StringEquals = 0x13,
    StringLength = 0x14,
    StringExtract = 0x15,
    Pop = 0x17,
    ToInteger = 0x18,
    GetVariable = 0x1C,
    SetVariable = 0x1D,
    SetTarget2 = 0x20,
    StringAdd = 0x21,
    GetProperty = 0x22,
    SetProperty = 0x23,
    CloneSprite = 0x24,
    RemoveSprite = 0x25,
    Trace = 0x26,
    StartDrag = 0x27,
    EndDrag = 0x28,
    StringLess = 0x29,
    Throw = 0x2A,
    CastOp = 0x2B,
    ImplementsOp = 0x2C,
    RandomNumber = 0x30,
    MBStringLength = 0x31,
    CharToAscii = 0x32,
    AsciiToChar = 0x33,
    GetTime = 0x34,
    MBStringExtract = 0x35,
    MBCharToAscii = 0x36,
    MBAsciiToChar = 0x37,
    Delete = 0x3A,
    Delete2 = 0x3B,
    DefineLocal = 0x3C,
    CallFunction = 0x3D,
    Return = 0x3E,
    Modulo = 0x3F,
    NewObject = 0x40,
    DefineLocal2 = 0x41,
    InitArray = 0x42,
    InitObject = 0x43,
    TypeOf = 0x44,
    TargetPath = 0x45,
    Enumerate = 0x46,
    Add2 = 0x47,
    Less2 = 0x48,
    Equals2 = 0x49,
    ToNumber = 0x4A,
    ToString = 0x4B,
    PushDuplicate = 0x4C,
    StackSwap = 0x4D,
    GetMember = 0x4E,
    SetMember = 0x4F,
    Increment = 0x50,
    Decrement = 0x51,
    CallMethod = 0x52,
    NewMethod = 0x53,
    InstanceOf = 0x54,
    Enumerate2 = 0x55,
    BitAnd = 0x60,
    BitOr = 0x61,
    BitXor = 0x62,
    BitLShift = 0x63,
    BitRShift = 0x64,
    BitURShift = 0x65,
    StrictEquals = 0x66,
    Greater = 0x67,
    StringGreater = 0x68,
    Extends = 0x69,
    GotoFrame = 0x81,
    GetURL = 0x83,
    StoreRegister = 0x87,
    ConstantPool = 0x88,
    WaitForFrame = 0x8A,
    SetTarget = 0x8B,
    GoToLabel = 0x8C,
    WaitForFrame2 = 0x8D,
    DefineFunction2 = 0x8E,
    Try = 0x8F,
    With = 0x94,
    Push = 0x96,
    Jump = 0x99,
    GetURL2 = 0x9A,
    DefineFunction = 0x9B,
    If = 0x9D,
    Call = 0x9E,
    GotoFrame2 = 0x9F,
};

// One operand of a Push action, with the type it was written with.
struct PushValue {
    enum class Type : std::uint8_t {
        String = 0,
        Float = 1,
        Null = 2,
        Undefined = 3,
        Register = 4,
        Boolean = 5,
        Double = 6,
        Integer = 7,
        Constant8 = 8,
        Constant16 = 9,
    };
    Type type = Type::Undefined;
    std::string string;  // String
    double number = 0;   // Float, Double, Integer
    std::uint16_t index = 0; // Register number or constant pool index
    bool boolean = false;

    bool operator==(const PushValue&) const = default;
};

// DefineFunction2's flags, as stored in the record.
namespace FunctionFlag {
constexpr std::uint16_t PreloadThis = 0x0001;
constexpr std::uint16_t SuppressThis = 0x0002;
constexpr std::uint16_t PreloadArguments = 0x0004;
constexpr std::uint16_t SuppressArguments = 0x0008;
constexpr std::uint16_t PreloadSuper = 0x0010;
constexpr std::uint16_t SuppressSuper = 0x0020;
constexpr std::uint16_t PreloadRoot = 0x0040;
constexpr std::uint16_t PreloadParent = 0x0080;
constexpr std::uint16_t PreloadGlobal = 0x0100;
} // namespace FunctionFlag

struct FunctionParam {
    std::uint8_t reg = 0; // 0: the parameter lives in the activation by name
    std::string name;
    bool operator==(const FunctionParam&) const = default;
};

// Body ranges are action indexes into the same list: [begin, end).
struct FunctionInfo {
    std::string name;
    std::vector<FunctionParam> params;
    std::uint8_t registerCount = 0; // DefineFunction2 only
    std::uint16_t flags = 0;        // DefineFunction2 only
    bool isFunction2 = false;
    std::size_t bodyBegin = 0;
    std::size_t bodyEnd = 0;
};

struct TryInfo {
    bool catchInRegister = false;
    bool hasCatch = false;
    bool hasFinally = false;
    std::string catchName;
    std::uint8_t catchRegister = 0;
    std::size_t tryBegin = 0, tryEnd = 0;
    std::size_t catchBegin = 0, catchEnd = 0;
    std::size_t finallyBegin = 0, finallyEnd = 0;
};

struct Action {
    ActionCode code = ActionCode::End;
    std::uint32_t offset = 0; // byte offset of the record in the block

    // Push values; ConstantPool strings.
    std::vector<PushValue> values;
    std::vector<std::string> strings;
    // GetURL url, GoToLabel label, SetTarget target.
    std::string text;
    // GetURL window target.
    std::string text2;
    // GotoFrame frame; WaitForFrame frame; StoreRegister register; GetURL2 flags;
    // GotoFrame2 play flag (bit 0) and scene bias flag (bit 1).
    std::int32_t number = 0;
    // WaitForFrame skip count (in actions); GotoFrame2 scene bias.
    std::int32_t number2 = 0;
    // Jump and If: the action index to continue at (may equal the list size,
    // meaning the end of the block). With: the end of its block.
    std::size_t target = 0;
    FunctionInfo function; // DefineFunction, DefineFunction2
    TryInfo tryBlock;      // Try
};

// Decodes an action block. The list ends at an End action or at the end of
// the bytes. A record whose length runs past the end of the block is an
// error; jumps and block sizes that do not land on an action boundary inside
// the block are clamped to the end of the block so the script simply stops.
veskor::Result<std::vector<Action>> decodeActions(const std::uint8_t* data, std::size_t size, int swfVersion);
veskor::Result<std::vector<Action>> decodeActions(const std::vector<std::uint8_t>& bytes, int swfVersion);

// Writes action bytes: the inverse of decodeActions, used to build test
// movies and scripts. Jumps go to named labels; blocks (functions, With,
// Try) are opened and closed, and their sizes are filled in by bytes().
class ActionWriter {
public:
    ActionWriter& op(ActionCode code);
    ActionWriter& push(const std::vector<PushValue>& values);
    ActionWriter& pushString(const std::string& s);
    ActionWriter& pushNumber(double n);
    ActionWriter& pushInt(std::int32_t n);
    ActionWriter& pushBool(bool b);
    ActionWriter& pushNull();
    ActionWriter& pushUndefined();
    ActionWriter& pushRegister(std::uint8_t r);
    ActionWriter& pushConstant(std::uint16_t index);
    ActionWriter& constantPool(const std::vector<std::string>& strings);
    ActionWriter& gotoFrame(std::uint16_t frame);
    ActionWriter& getUrl(const std::string& url, const std::string& window);
    ActionWriter& getUrl2(std::uint8_t flags);
    ActionWriter& storeRegister(std::uint8_t r);
    ActionWriter& setTarget(const std::string& target);
    ActionWriter& goToLabel(const std::string& label);
    ActionWriter& waitForFrame(std::uint16_t frame, std::uint8_t skip);
    ActionWriter& waitForFrame2(std::uint8_t skip);
    ActionWriter& gotoFrame2(bool play, std::uint16_t sceneBias = 0);
    ActionWriter& jump(const std::string& label);
    ActionWriter& ifTrue(const std::string& label);
    ActionWriter& label(const std::string& name);
    ActionWriter& beginFunction(const std::string& name, const std::vector<std::string>& params);
    ActionWriter& beginFunction2(const std::string& name, std::uint8_t registerCount, std::uint16_t flags, const std::vector<FunctionParam>& params);
    ActionWriter& endFunction();
    ActionWriter& beginWith();
    ActionWriter& endWith();
    // catchRegister < 0 stores the exception in the variable `catchName`.
    ActionWriter& beginTry(const std::string& catchName, int catchRegister = -1);
    ActionWriter& beginCatch();
    ActionWriter& beginFinally();
    ActionWriter& endTry();
    // Raw bytes, for malformed input in tests.
    ActionWriter& raw(const std::vector<std::uint8_t>& bytes);

    // The block with a closing End action.
    std::vector<std::uint8_t> bytes() const;

private:
    void record(ActionCode code, const std::vector<std::uint8_t>& body);
    void u16At(std::size_t at, std::size_t value);

    struct OpenBlock {
        ActionCode code;
        std::size_t sizeField; // where the u16 size goes
        std::size_t start;     // first byte of the block body
        std::size_t catchStart = 0, finallyStart = 0;
        bool hasCatch = false, hasFinally = false;
        std::size_t flagsField = 0;
    };
    std::vector<std::uint8_t> m_bytes;
    std::vector<OpenBlock> m_open;
    std::vector<std::pair<std::size_t, std::string>> m_jumps; // offset field, label
    std::vector<std::pair<std::string, std::size_t>> m_labels;
};

// The printable name of an action code, for diagnostics.
const char* actionName(ActionCode code);

} // namespace swf
