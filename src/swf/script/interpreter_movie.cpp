// Actions on the movie: timelines, targets, web addresses, clips, dragging,
// trace, the clock and random numbers.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <cmath>
#include <limits>
#include <optional>

namespace swf::script {

void Interpreter::gotoFrameOf(Object* clip, const Value& frame, bool play, int bias)
{
    // An object (other than a clip) names its frame by its string.
    if (Object* o = frame.asObject(); o && o->objectClass() != ObjectClass::Clip) {
        gotoFrameOf(clip, Value(toString(frame)), play, bias);
        return;
    }
    // A frame before the first leaves the clip where it is.
    auto gotoNumber = [&](double n) {
        if (const int index = frameIndex(n + bias); index >= 0)
            m_host.gotoFrame(clip, index, play);
    };
    if (frame.isString()) {
        // "path:frame" or a label; a number in a string is a frame number.
        std::string s = frame.asString();
        const std::size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            clip = resolveTarget(clip, s.substr(0, colon));
            s = s.substr(colon + 1);
        }
        const double n = stringToNumber(s, 7);
        if (!clip)
            return;
        if (std::isnan(n))
            m_host.gotoLabel(clip, s, play);
        else
            gotoNumber(n);
    } else if (clip && !frame.isUndefined()) {
        const double n = toNumber(frame);
        if (std::isfinite(n))
            gotoNumber(n);
    }
}

bool Interpreter::stepMovie(Frame& f, const Action& a, std::size_t& next)
{
    switch (a.code) {
    // Timeline control.
    case ActionCode::NextFrame:
        if (Object* target = timelineTarget(f))
            m_host.nextFrame(target);
        break;
    case ActionCode::PreviousFrame:
        if (Object* target = timelineTarget(f))
            m_host.prevFrame(target);
        break;
    case ActionCode::Play:
        if (Object* target = timelineTarget(f))
            m_host.play(target);
        break;
    case ActionCode::Stop:
        if (Object* target = timelineTarget(f))
            m_host.stop(target);
        break;
    case ActionCode::ToggleQuality:
        m_host.toggleQuality();
        break;
    case ActionCode::StopSounds:
        m_host.stopSounds();
        break;
    case ActionCode::GotoFrame:
        if (Object* target = timelineTarget(f))
            m_host.gotoFrame(target, a.number, false);
        break;
    case ActionCode::GoToLabel:
        if (Object* target = timelineTarget(f))
            m_host.gotoLabel(target, a.text, false);
        break;
    case ActionCode::GotoFrame2:
        gotoFrameOf(timelineTarget(f), pop(f), a.number & 1, a.number2);
        break;
    case ActionCode::WaitForFrame:
        if (f.target && !m_host.frameLoaded(f.target, a.number))
            next += std::size_t(std::max(0, a.number2));
        break;
    case ActionCode::WaitForFrame2: {
        // A whole number is a frame number; anything else names a label, and a
        // label (found or not) counts as loaded.
        Value frame = pop(f);
        if (frame.isObject() && frame.asObject()->objectClass() != ObjectClass::Clip)
            frame = toPrimitive(frame, 2);
        double n = frame.isString() ? stringToNumber(frame.asString(), 7) : toNumber(frame);
        const int index = std::isfinite(n) && n == std::trunc(n) ? frameIndex(n) : -1;
        if (f.target && !m_host.frameLoaded(f.target, index))
            next += std::size_t(std::max(0, a.number2));
        break;
    }
    case ActionCode::SetTarget:
        setTarget(f, Value(a.text));
        break;
    case ActionCode::SetTarget2:
        setTarget(f, pop(f));
        break;
    case ActionCode::GetURL:
        m_host.getUrl(f.target, a.text, a.text2, 0, false, false);
        break;
    case ActionCode::GetURL2: {
        Value window = pop(f);
        Value url = pop(f);
        // The flags as movies hold them: bit 7 loads variables, bit 6 loads
        // into a target, the low two bits are the method.
        const int flags = int(a.number);
        m_host.getUrl(f.target, toString(url), toString(window), flags & 3, flags & 0x40, flags & 0x80);
        break;
    }
    case ActionCode::Call: {
        // Runs another frame's scripts now, on the target or on "path:frame".
        std::string frame = toString(pop(f));
        Object* clip = liveTarget(f);
        const std::size_t colon = frame.rfind(':');
        if (colon != std::string::npos) {
            clip = resolveTarget(clip, frame.substr(0, colon));
            frame = frame.substr(colon + 1);
        }
        if (!clip)
            break;
        for (const std::vector<std::uint8_t>& bytes : m_host.frameScripts(clip, frame)) {
            if (m_aborted)
                break;
            (void)runBytes(bytes, clip);
        }
        // Like a call of a function, it ends a script whose clip left the stage.
        haltIfClipLeft(f);
        break;
    }
    case ActionCode::TargetPath: {
        Value o = pop(f);
        // Clips, buttons and text fields: whatever the display tree holds.
        Object* clip = o.asObject();
        if (clip && (clip->objectClass() == ObjectClass::Clip || clip->hostData))
            push(f, m_host.targetPath(clip, false));
        else
            push(f, Value());
        break;
    }
    case ActionCode::CloneSprite: {
        double depth = toNumber(pop(f));
        std::string name = toString(pop(f));
        Object* source = targetFromValue(f, pop(f));
        if (source)
            m_host.cloneClip(source, name, toInt32(depth));
        break;
    }
    case ActionCode::RemoveSprite:
        if (Object* clip = targetFromValue(f, pop(f)))
            m_host.removeClip(clip);
        break;
    case ActionCode::StartDrag: {
        Object* clip = targetFromValue(f, pop(f));
        // The two flags read an object through its number.
        auto flag = [&](const Value& x) { return toBoolean(x.isObject() ? Value(toNumber(x)) : x); };
        bool lock = flag(pop(f));
        bool constrain = flag(pop(f));
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (constrain) {
            y2 = toNumber(pop(f));
            x2 = toNumber(pop(f));
            y1 = toNumber(pop(f));
            x1 = toNumber(pop(f));
        }
        if (clip)
            m_host.startDrag(clip, lock, constrain, x1, y1, x2, y2);
        break;
    }
    case ActionCode::EndDrag:
        m_host.stopDrag();
        break;
    case ActionCode::Trace:
        trace(pop(f));
        break;
    case ActionCode::GetTime:
        push(f, std::floor(scriptClock()));
        break;
    case ActionCode::RandomNumber: {
        double max = toNumber(pop(f));
        std::int32_t m = toInt32(max);
        push(f, m > 0 ? double(m_host.random(std::uint32_t(m))) : 0.0);
        break;
    }
    default:
        return false;
    }
    return true;
}

} // namespace swf::script
