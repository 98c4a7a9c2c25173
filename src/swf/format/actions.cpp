#include "swf/format/actions.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace swf {

namespace {

// Reads the operands of one action record; every read is checked against
// the record's end, never the block's.
class OperandReader {
public:
    OperandReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    bool failed() const { return m_failed; }

    std::uint8_t u8()
    {
        if (m_pos + 1 > m_size) {
            m_failed = true;
            return 0;
        }
        return m_data[m_pos++];
    }
    std::uint16_t u16()
    {
        if (m_pos + 2 > m_size) {
            m_failed = true;
            m_pos = m_size;
            return 0;
        }
        std::uint16_t v = std::uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t u32()
    {
        if (m_pos + 4 > m_size) {
            m_failed = true;
            m_pos = m_size;
            return 0;
        }
        std::uint32_t v = std::uint32_t(m_data[m_pos]) | (std::uint32_t(m_data[m_pos + 1]) << 8)
            | (std::uint32_t(m_data[m_pos + 2]) << 16) | (std::uint32_t(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return v;
    }
    // A zero-terminated string; a missing terminator is an error.
    std::string string()
    {
        const std::uint8_t* start = m_data + m_pos;
        const void* nul = m_pos < m_size ? std::memchr(start, 0, m_size - m_pos) : nullptr;
        if (!nul) {
            m_failed = true;
            m_pos = m_size;
            return {};
        }
        std::size_t len = static_cast<const std::uint8_t*>(nul) - start;
        m_pos += len + 1;
        return std::string(reinterpret_cast<const char*>(start), len);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

bool decodePush(OperandReader& in, Action& action)
{
    while (!in.atEnd()) {
        PushValue v;
        std::uint8_t type = in.u8();
        switch (type) {
        case 0:
            v.type = PushValue::Type::String;
            v.string = in.string();
            break;
        case 1: {
            v.type = PushValue::Type::Float;
            std::uint32_t bits = in.u32();
            float f;
            std::memcpy(&f, &bits, 4);
            v.number = f;
            break;
        }
        case 2:
            v.type = PushValue::Type::Null;
            break;
        case 3:
            v.type = PushValue::Type::Undefined;
            break;
        case 4:
            v.type = PushValue::Type::Register;
            v.index = in.u8();
            break;
        case 5:
            v.type = PushValue::Type::Boolean;
            v.boolean = in.u8() != 0;
            break;
        case 6: {
            // Doubles are stored as two little-endian words, high word first.
            v.type = PushValue::Type::Double;
            std::uint64_t high = in.u32();
            std::uint64_t low = in.u32();
            std::uint64_t bits = (high << 32) | low;
            double d;
            std::memcpy(&d, &bits, 8);
            v.number = d;
            break;
        }
        case 7:
            v.type = PushValue::Type::Integer;
            v.number = static_cast<std::int32_t>(in.u32());
            break;
        case 8:
            v.type = PushValue::Type::Constant8;
            v.index = in.u8();
            break;
        case 9:
            v.type = PushValue::Type::Constant16;
            v.index = in.u16();
            break;
        default:
            // The player reads a value of a type it does not know as
            // undefined and stops reading the action there; what follows
            // in the action is skipped with it.
            v.type = PushValue::Type::Undefined;
            action.values.push_back(std::move(v));
            return true;
        }
        if (in.failed())
            return false;
        action.values.push_back(std::move(v));
    }
    return true;
}

bool decodeFunction(OperandReader& in, Action& action, bool function2, std::uint16_t& codeSize)
{
    FunctionInfo& f = action.function;
    f.isFunction2 = function2;
    f.name = in.string();
    std::uint16_t count = in.u16();
    if (function2) {
        f.registerCount = in.u8();
        f.flags = in.u16();
    }
    for (std::uint16_t i = 0; i < count && !in.failed(); ++i) {
        FunctionParam p;
        if (function2)
            p.reg = in.u8();
        p.name = in.string();
        f.params.push_back(std::move(p));
    }
    codeSize = in.u16();
    return !in.failed();
}

// Byte-level facts about a record that are resolved to indexes once the
// whole block has been read.
struct Pending {
    std::size_t index;
    std::int64_t jumpTo = -1;   // byte offset of a jump target
    std::int64_t blockEnd = -1; // With, DefineFunction: byte offset where the block ends
    std::int64_t tryStart = -1;
    std::uint32_t trySize = 0, catchSize = 0, finallySize = 0;
};

} // namespace

veskor::Result<std::vector<Action>> decodeActions(const std::uint8_t* data, std::size_t size, int swfVersion)
{
    (void)swfVersion; // every version uses the same record layout
    std::vector<Action> actions;
    std::vector<Pending> pending;
    std::unordered_map<std::int64_t, std::size_t> indexAt;
    // Bytes after the End action are read too, for a jump may lead there; what
    // does not read as actions there is left out instead of failing the block.
    std::size_t endCount = 0;
    std::size_t endPending = 0;
    auto fail = [&](const std::string& message) -> std::optional<veskor::Error> {
        if (endCount == 0)
            return veskor::makeError(message);
        actions.resize(endCount);
        pending.resize(endPending);
        return std::nullopt;
    };
    std::size_t pos = 0;
    while (pos < size) {
        Action action;
        action.offset = static_cast<std::uint32_t>(pos);
        std::uint8_t code = data[pos++];
        action.code = static_cast<ActionCode>(code);
        std::size_t length = 0;
        if (code >= 0x80) {
            if (pos + 2 > size) {
                if (auto error = fail("action record header cut off at byte " + std::to_string(action.offset)))
                    return *error;
                break;
            }
            length = data[pos] | (data[pos + 1] << 8);
            pos += 2;
            if (length > size - pos) {
                if (auto error = fail("action record at byte " + std::to_string(action.offset) + " runs past the end"))
                    return *error;
                break;
            }
        }
        indexAt[action.offset] = actions.size();
        if (code == 0x00) {
            actions.push_back(std::move(action));
            endCount = actions.size();
            endPending = pending.size();
            continue;
        }
        OperandReader in(data + pos, length);
        std::size_t end = pos + length;
        Pending p{actions.size()};
        bool ok = true;
        switch (action.code) {
        case ActionCode::GotoFrame:
            action.number = in.u16();
            break;
        case ActionCode::GetURL:
            action.text = in.string();
            action.text2 = in.string();
            break;
        case ActionCode::StoreRegister:
            action.number = in.u8();
            break;
        case ActionCode::ConstantPool: {
            std::uint16_t count = in.u16();
            for (std::uint16_t i = 0; i < count && !in.failed(); ++i)
                action.strings.push_back(in.string());
            break;
        }
        case ActionCode::WaitForFrame:
            action.number = in.u16();
            action.number2 = in.u8();
            break;
        case ActionCode::SetTarget:
        case ActionCode::GoToLabel:
            action.text = in.string();
            break;
        case ActionCode::WaitForFrame2:
            action.number2 = in.u8();
            break;
        case ActionCode::DefineFunction:
        case ActionCode::DefineFunction2: {
            std::uint16_t codeSize = 0;
            ok = decodeFunction(in, action, action.code == ActionCode::DefineFunction2, codeSize);
            p.blockEnd = std::int64_t(end) + codeSize;
            break;
        }
        case ActionCode::Try: {
            std::uint8_t flags = in.u8();
            action.tryBlock.hasCatch = flags & 1;
            action.tryBlock.hasFinally = flags & 2;
            action.tryBlock.catchInRegister = flags & 4;
            p.trySize = in.u16();
            p.catchSize = in.u16();
            p.finallySize = in.u16();
            if (action.tryBlock.catchInRegister)
                action.tryBlock.catchRegister = in.u8();
            else
                action.tryBlock.catchName = in.string();
            p.tryStart = std::int64_t(end);
            break;
        }
        case ActionCode::With:
            p.blockEnd = std::int64_t(end) + in.u16();
            break;
        case ActionCode::Push:
            ok = decodePush(in, action);
            break;
        case ActionCode::Jump:
        case ActionCode::If:
            p.jumpTo = std::int64_t(end) + static_cast<std::int16_t>(in.u16());
            break;
        case ActionCode::GetURL2:
            action.number = in.u8();
            break;
        case ActionCode::GotoFrame2:
            action.number = in.u8();
            if (action.number & 2)
                action.number2 = in.u16();
            break;
        default:
            break; // unknown or operand-less: the length is skipped
        }
        if (!ok || in.failed()) {
            if (auto error = fail(std::string("malformed ") + actionName(action.code) + " at byte " + std::to_string(action.offset)))
                return *error;
            break;
        }
        pos = end;
        if (p.jumpTo >= 0 || p.blockEnd >= 0 || p.tryStart >= 0)
            pending.push_back(p);
        actions.push_back(std::move(action));
    }

    const std::size_t count = actions.size();
    // A byte offset becomes the index of the action starting there; the end of
    // the block and anything that is not an action boundary become `count`.
    auto resolve = [&](std::int64_t offset) -> std::size_t {
        auto it = indexAt.find(offset);
        return it == indexAt.end() ? count : std::min(it->second, count);
    };
    // A block's end must not come before its start.
    auto resolveEnd = [&](std::size_t begin, std::int64_t offset) { return std::max(begin, resolve(offset)); };
    for (const Pending& p : pending) {
        Action& a = actions[p.index];
        if (p.jumpTo >= 0)
            a.target = resolve(p.jumpTo);
        if (a.code == ActionCode::With) {
            a.target = resolveEnd(p.index + 1, p.blockEnd);
        } else if (a.code == ActionCode::DefineFunction || a.code == ActionCode::DefineFunction2) {
            a.function.bodyBegin = p.index + 1;
            a.function.bodyEnd = resolveEnd(p.index + 1, p.blockEnd);
            a.target = a.function.bodyEnd;
        } else if (a.code == ActionCode::Try) {
            TryInfo& t = a.tryBlock;
            std::int64_t at = p.tryStart;
            t.tryBegin = p.index + 1;
            t.tryEnd = resolveEnd(t.tryBegin, at += p.trySize);
            t.catchBegin = t.tryEnd;
            t.catchEnd = resolveEnd(t.catchBegin, at += p.catchSize);
            t.finallyBegin = t.catchEnd;
            t.finallyEnd = resolveEnd(t.finallyBegin, at += p.finallySize);
            a.target = t.finallyEnd;
            if (!t.hasCatch) {
                // Without the catch flag the original player ignores the
                // catch size: the finally block follows the try block.
                t.catchBegin = t.catchEnd = t.tryEnd;
                t.finallyBegin = t.tryEnd;
                t.finallyEnd = resolveEnd(t.finallyBegin, p.tryStart + p.trySize + p.finallySize);
            }
        }
    }
    return actions;
}

veskor::Result<std::vector<Action>> decodeActions(const std::vector<std::uint8_t>& bytes, int swfVersion)
{
    return decodeActions(bytes.data(), bytes.size(), swfVersion);
}

const char* actionName(ActionCode code)
{
    switch (code) {
#define NAME(x) \
    case ActionCode::x: \
        return #x;
        NAME(End) NAME(NextFrame) NAME(PreviousFrame) NAME(Play) NAME(Stop) NAME(ToggleQuality) NAME(StopSounds)
        NAME(Add) NAME(Subtract) NAME(Multiply) NAME(Divide) NAME(Equals) NAME(Less) NAME(And) NAME(Or) NAME(Not)
        NAME(StringEquals) NAME(StringLength) NAME(StringExtract) NAME(Pop) NAME(ToInteger) NAME(GetVariable)
        NAME(SetVariable) NAME(SetTarget2) NAME(StringAdd) NAME(GetProperty) NAME(SetProperty) NAME(CloneSprite)
        NAME(RemoveSprite) NAME(Trace) NAME(StartDrag) NAME(EndDrag) NAME(StringLess) NAME(Throw) NAME(CastOp)
        NAME(ImplementsOp) NAME(RandomNumber) NAME(MBStringLength) NAME(CharToAscii) NAME(AsciiToChar) NAME(GetTime)
        NAME(MBStringExtract) NAME(MBCharToAscii) NAME(MBAsciiToChar) NAME(Delete) NAME(Delete2) NAME(DefineLocal)
        NAME(CallFunction) NAME(Return) NAME(Modulo) NAME(NewObject) NAME(DefineLocal2) NAME(InitArray)
        NAME(InitObject) NAME(TypeOf) NAME(TargetPath) NAME(Enumerate) NAME(Add2) NAME(Less2) NAME(Equals2)
        NAME(ToNumber) NAME(ToString) NAME(PushDuplicate) NAME(StackSwap) NAME(GetMember) NAME(SetMember)
        NAME(Increment) NAME(Decrement) NAME(CallMethod) NAME(NewMethod) NAME(InstanceOf) NAME(Enumerate2)
        NAME(BitAnd) NAME(BitOr) NAME(BitXor) NAME(BitLShift) NAME(BitRShift) NAME(BitURShift) NAME(StrictEquals)
        NAME(Greater) NAME(StringGreater) NAME(Extends) NAME(GotoFrame) NAME(GetURL) NAME(StoreRegister)
        NAME(ConstantPool) NAME(WaitForFrame) NAME(SetTarget) NAME(GoToLabel) NAME(WaitForFrame2)
        NAME(DefineFunction2) NAME(Try) NAME(With) NAME(Push) NAME(Jump) NAME(GetURL2) NAME(DefineFunction)
        NAME(If) NAME(Call) NAME(GotoFrame2)
#undef NAME
    }
    return "Unknown";
}

} // namespace swf

namespace swf {

namespace {

void putU16(std::vector<std::uint8_t>& out, std::size_t v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

void putString(std::vector<std::uint8_t>& out, const std::string& s)
{
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}

} // namespace

void ActionWriter::record(ActionCode code, const std::vector<std::uint8_t>& body)
{
    m_bytes.push_back(std::uint8_t(code));
    if (std::uint8_t(code) >= 0x80) {
        putU16(m_bytes, body.size());
        m_bytes.insert(m_bytes.end(), body.begin(), body.end());
    }
}

void ActionWriter::u16At(std::size_t at, std::size_t value)
{
    m_bytes[at] = std::uint8_t(value & 0xFF);
    m_bytes[at + 1] = std::uint8_t((value >> 8) & 0xFF);
}

ActionWriter& ActionWriter::op(ActionCode code)
{
    record(code, {});
    return *this;
}

ActionWriter& ActionWriter::push(const std::vector<PushValue>& values)
{
    std::vector<std::uint8_t> body;
    for (const PushValue& v : values) {
        body.push_back(std::uint8_t(v.type));
        switch (v.type) {
        case PushValue::Type::String:
            putString(body, v.string);
            break;
        case PushValue::Type::Float: {
            float f = float(v.number);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            putU32(body, bits);
            break;
        }
        case PushValue::Type::Null:
        case PushValue::Type::Undefined:
            break;
        case PushValue::Type::Register:
        case PushValue::Type::Constant8:
            body.push_back(std::uint8_t(v.index));
            break;
        case PushValue::Type::Boolean:
            body.push_back(v.boolean ? 1 : 0);
            break;
        case PushValue::Type::Double: {
            std::uint64_t bits;
            std::memcpy(&bits, &v.number, 8);
            putU32(body, std::uint32_t(bits >> 32));
            putU32(body, std::uint32_t(bits));
            break;
        }
        case PushValue::Type::Integer:
            putU32(body, std::uint32_t(std::int32_t(v.number)));
            break;
        case PushValue::Type::Constant16:
            putU16(body, v.index);
            break;
        }
    }
    record(ActionCode::Push, body);
    return *this;
}

ActionWriter& ActionWriter::pushString(const std::string& s)
{
    PushValue v;
    v.type = PushValue::Type::String;
    v.string = s;
    return push({v});
}

ActionWriter& ActionWriter::pushNumber(double n)
{
    PushValue v;
    v.type = PushValue::Type::Double;
    v.number = n;
    return push({v});
}

ActionWriter& ActionWriter::pushInt(std::int32_t n)
{
    PushValue v;
    v.type = PushValue::Type::Integer;
    v.number = n;
    return push({v});
}

ActionWriter& ActionWriter::pushBool(bool b)
{
    PushValue v;
    v.type = PushValue::Type::Boolean;
    v.boolean = b;
    return push({v});
}

ActionWriter& ActionWriter::pushNull()
{
    PushValue v;
    v.type = PushValue::Type::Null;
    return push({v});
}

ActionWriter& ActionWriter::pushUndefined()
{
    PushValue v;
    v.type = PushValue::Type::Undefined;
    return push({v});
}

ActionWriter& ActionWriter::pushRegister(std::uint8_t r)
{
    PushValue v;
    v.type = PushValue::Type::Register;
    v.index = r;
    return push({v});
}

ActionWriter& ActionWriter::pushConstant(std::uint16_t index)
{
    PushValue v;
    v.type = index < 256 ? PushValue::Type::Constant8 : PushValue::Type::Constant16;
    v.index = index;
    return push({v});
}

ActionWriter& ActionWriter::constantPool(const std::vector<std::string>& strings)
{
    std::vector<std::uint8_t> body;
    putU16(body, strings.size());
    for (const std::string& s : strings)
        putString(body, s);
    record(ActionCode::ConstantPool, body);
    return *this;
}

ActionWriter& ActionWriter::gotoFrame(std::uint16_t frame)
{
    std::vector<std::uint8_t> body;
    putU16(body, frame);
    record(ActionCode::GotoFrame, body);
    return *this;
}

ActionWriter& ActionWriter::getUrl(const std::string& url, const std::string& window)
{
    std::vector<std::uint8_t> body;
    putString(body, url);
    putString(body, window);
    record(ActionCode::GetURL, body);
    return *this;
}

ActionWriter& ActionWriter::getUrl2(std::uint8_t flags)
{
    record(ActionCode::GetURL2, {flags});
    return *this;
}

ActionWriter& ActionWriter::storeRegister(std::uint8_t r)
{
    record(ActionCode::StoreRegister, {r});
    return *this;
}

ActionWriter& ActionWriter::setTarget(const std::string& target)
{
    std::vector<std::uint8_t> body;
    putString(body, target);
    record(ActionCode::SetTarget, body);
    return *this;
}

ActionWriter& ActionWriter::goToLabel(const std::string& label)
{
    std::vector<std::uint8_t> body;
    putString(body, label);
    record(ActionCode::GoToLabel, body);
    return *this;
}

ActionWriter& ActionWriter::waitForFrame(std::uint16_t frame, std::uint8_t skip)
{
    std::vector<std::uint8_t> body;
    putU16(body, frame);
    body.push_back(skip);
    record(ActionCode::WaitForFrame, body);
    return *this;
}

ActionWriter& ActionWriter::waitForFrame2(std::uint8_t skip)
{
    record(ActionCode::WaitForFrame2, {skip});
    return *this;
}

ActionWriter& ActionWriter::gotoFrame2(bool play, std::uint16_t sceneBias)
{
    std::vector<std::uint8_t> body;
    body.push_back(std::uint8_t((play ? 1 : 0) | (sceneBias ? 2 : 0)));
    if (sceneBias)
        putU16(body, sceneBias);
    record(ActionCode::GotoFrame2, body);
    return *this;
}

ActionWriter& ActionWriter::jump(const std::string& label)
{
    record(ActionCode::Jump, {0, 0});
    m_jumps.emplace_back(m_bytes.size() - 2, label);
    return *this;
}

ActionWriter& ActionWriter::ifTrue(const std::string& label)
{
    record(ActionCode::If, {0, 0});
    m_jumps.emplace_back(m_bytes.size() - 2, label);
    return *this;
}

ActionWriter& ActionWriter::label(const std::string& name)
{
    m_labels.emplace_back(name, m_bytes.size());
    return *this;
}

ActionWriter& ActionWriter::beginFunction(const std::string& name, const std::vector<std::string>& params)
{
    std::vector<std::uint8_t> body;
    putString(body, name);
    putU16(body, params.size());
    for (const std::string& p : params)
        putString(body, p);
    putU16(body, 0);
    record(ActionCode::DefineFunction, body);
    m_open.push_back(OpenBlock{ActionCode::DefineFunction, m_bytes.size() - 2, m_bytes.size()});
    return *this;
}

ActionWriter& ActionWriter::beginFunction2(const std::string& name, std::uint8_t registerCount, std::uint16_t flags,
                                           const std::vector<FunctionParam>& params)
{
    std::vector<std::uint8_t> body;
    putString(body, name);
    putU16(body, params.size());
    body.push_back(registerCount);
    putU16(body, flags);
    for (const FunctionParam& p : params) {
        body.push_back(p.reg);
        putString(body, p.name);
    }
    putU16(body, 0);
    record(ActionCode::DefineFunction2, body);
    m_open.push_back(OpenBlock{ActionCode::DefineFunction2, m_bytes.size() - 2, m_bytes.size()});
    return *this;
}

ActionWriter& ActionWriter::endFunction()
{
    if (!m_open.empty()) {
        OpenBlock b = m_open.back();
        m_open.pop_back();
        u16At(b.sizeField, m_bytes.size() - b.start);
    }
    return *this;
}

ActionWriter& ActionWriter::beginWith()
{
    record(ActionCode::With, {0, 0});
    m_open.push_back(OpenBlock{ActionCode::With, m_bytes.size() - 2, m_bytes.size()});
    return *this;
}

ActionWriter& ActionWriter::endWith() { return endFunction(); }

ActionWriter& ActionWriter::beginTry(const std::string& catchName, int catchRegister)
{
    std::vector<std::uint8_t> body = {std::uint8_t(catchRegister >= 0 ? 4 : 0), 0, 0, 0, 0, 0, 0};
    if (catchRegister >= 0)
        body.push_back(std::uint8_t(catchRegister));
    else
        putString(body, catchName);
    const std::size_t recordStart = m_bytes.size() + 3;
    record(ActionCode::Try, body);
    OpenBlock b{ActionCode::Try, recordStart + 1, m_bytes.size()};
    b.flagsField = recordStart;
    b.catchStart = b.finallyStart = m_bytes.size();
    m_open.push_back(b);
    return *this;
}

ActionWriter& ActionWriter::beginCatch()
{
    if (!m_open.empty()) {
        OpenBlock& b = m_open.back();
        b.hasCatch = true;
        b.catchStart = m_bytes.size();
    }
    return *this;
}

ActionWriter& ActionWriter::beginFinally()
{
    if (!m_open.empty()) {
        OpenBlock& b = m_open.back();
        if (!b.hasCatch)
            b.catchStart = m_bytes.size();
        b.hasFinally = true;
        b.finallyStart = m_bytes.size();
    }
    return *this;
}

ActionWriter& ActionWriter::endTry()
{
    if (m_open.empty())
        return *this;
    OpenBlock b = m_open.back();
    m_open.pop_back();
    const std::size_t end = m_bytes.size();
    const std::size_t catchStart = b.hasCatch ? b.catchStart : (b.hasFinally ? b.finallyStart : end);
    const std::size_t finallyStart = b.hasFinally ? b.finallyStart : end;
    m_bytes[b.flagsField] = std::uint8_t(m_bytes[b.flagsField] | (b.hasCatch ? 1 : 0) | (b.hasFinally ? 2 : 0));
    u16At(b.sizeField, catchStart - b.start);
    u16At(b.sizeField + 2, finallyStart - catchStart);
    u16At(b.sizeField + 4, end - finallyStart);
    return *this;
}

ActionWriter& ActionWriter::raw(const std::vector<std::uint8_t>& bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

std::vector<std::uint8_t> ActionWriter::bytes() const
{
    std::vector<std::uint8_t> out = m_bytes;
    for (const auto& [field, name] : m_jumps) {
        for (const auto& [labelName, at] : m_labels) {
            if (labelName == name) {
                std::int64_t offset = std::int64_t(at) - std::int64_t(field + 2);
                std::uint16_t v = std::uint16_t(std::int16_t(offset));
                out[field] = std::uint8_t(v & 0xFF);
                out[field + 1] = std::uint8_t(v >> 8);
                break;
            }
        }
    }
    out.push_back(0);
    return out;
}

} // namespace swf
