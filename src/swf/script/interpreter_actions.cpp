// The action switch: what each decoded action does to the stack, the scope
// chain and the host.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

std::optional<std::size_t> Interpreter::jumpBackInto(Frame& f, std::size_t& pc, std::size_t begin, std::size_t end)
{
    const std::vector<Action>& code = *f.code;
    // Only jumps run here; anything else (or an If not taken) leaves the
    // block for good at `pc`. A short chain is enough for real scripts.
    for (int hops = 0; hops < 16 && pc < code.size(); ++hops) {
        const Action& a = code[pc];
        if (a.code != ActionCode::Jump && a.code != ActionCode::If)
            return std::nullopt;
        if (++m_instructions > m_budget) {
            abort("script runs too long");
            return std::nullopt;
        }
        if (a.code == ActionCode::If && !toBoolean(pop(f))) {
            ++pc;
            return std::nullopt;
        }
        pc = a.target;
        if (pc >= begin && pc < end)
            return pc;
    }
    return std::nullopt;
}

Interpreter::Completion Interpreter::step(Frame& f, const Action& a, std::size_t& next, std::size_t& jumpTo)
{
    switch (a.code) {
    case ActionCode::End:
        next = f.code->size();
        return Completion::Normal;

    // Control flow.
    case ActionCode::Jump:
        jumpTo = a.target;
        return Completion::Jump;
    case ActionCode::If:
        if (toBoolean(pop(f))) {
            jumpTo = a.target;
            return Completion::Jump;
        }
        break;
    case ActionCode::Return:
        f.returnValue = pop(f);
        return Completion::Return;
    case ActionCode::Throw:
        throwValue(pop(f));
        return Completion::Throw;
    case ActionCode::Try: {
        const TryInfo& t = a.tryBlock;
        std::size_t inner = 0;
        const std::size_t stackHeight = m_stack.size();
        Completion c = execute(f, t.tryBegin, t.tryEnd, inner);
        if (c == Completion::Throw && t.hasCatch) {
            // What the try block pushed is gone when the catch block starts;
            // what it popped stays popped.
            if (m_stack.size() > stackHeight)
                m_stack.resize(stackHeight);
            Value thrown = m_thrown;
            m_throwing = false;
            m_thrown = Value();
            if (t.catchInRegister) {
                if (Value* r = f.reg(t.catchRegister))
                    *r = thrown;
            } else if (f.activation && f.activation != f.target) {
                f.activation->put(t.catchName, thrown);
            } else {
                setVariable(f, t.catchName, thrown);
            }
            c = execute(f, t.catchBegin, t.catchEnd, inner);
        }
        if (t.hasFinally && c != Completion::Abort && c != Completion::Jump) {
            // Finally runs with any pending throw or return set aside; if it
            // completes normally, what was pending goes on. A jump out of the
            // try or catch block skips it, as in the original player.
            const bool wasThrowing = m_throwing;
            Value thrown = m_thrown;
            Value returned = f.returnValue;
            m_throwing = false;
            std::size_t finallyJump = 0;
            Completion fc = execute(f, t.finallyBegin, t.finallyEnd, finallyJump);
            // A jump to the block's end (out of a try nested in it) completes it.
            if (fc == Completion::Jump && finallyJump == t.finallyEnd)
                fc = Completion::Normal;
            if (fc != Completion::Normal) {
                c = fc;
                inner = finallyJump;
            } else {
                m_throwing = wasThrowing;
                m_thrown = thrown;
                f.returnValue = returned;
            }
        }
        if (c == Completion::Jump)
            jumpTo = inner;
        next = a.target;
        return c;
    }
    case ActionCode::With: {
        Value o = pop(f);
        next = a.target;
        Object* obj = o.isObject() ? o.asObject() : toObject(o);
        if (!obj || f.withDepth >= kMaxWithDepth)
            break;
        Scope* saved = f.scope;
        f.scope = m_heap.scope(obj, saved);
        ++f.withDepth;
        const std::size_t begin = std::size_t(&a - f.code->data()) + 1;
        std::size_t start = begin;
        std::size_t inner = 0;
        Completion c = Completion::Normal;
        for (;;) {
            c = execute(f, start, a.target, inner);
            if (c != Completion::Jump || m_aborted)
                break;
            // The block closes when an action outside it runs; jumps that
            // lead straight back inside keep it open, as in the original player.
            std::optional<std::size_t> back = jumpBackInto(f, inner, begin, a.target);
            if (!back)
                break;
            start = *back;
        }
        f.scope = saved;
        --f.withDepth;
        if (c == Completion::Jump)
            jumpTo = inner;
        return c;
    }
    default:
        // Everything else, by the work it does, the most frequent first.
        if (!stepVariables(f, a) && !stepArithmetic(f, a) && !stepObjects(f, a, next) && !stepStrings(f, a))
            stepMovie(f, a, next);
        break;
    }
    return Completion::Normal;
}

} // namespace swf::script
