// setInterval / setTimeout: callbacks due on the host's movie clock.

#include "swf/script/frame.h"

#include <algorithm>
#include <limits>

namespace swf::script {

int Interpreter::addTimer(Object* thisObject, Value function, std::string method, std::vector<Value> args, double interval, bool repeat)
{
    const int id = m_nextTimer++;
    // A zero interval would fire forever within one frame; one millisecond keeps it finite.
    interval = std::max(interval, 1.0);
    m_timers[id] = Timer{id, thisObject, std::move(function), std::move(method), std::move(args), interval, m_host.movieTime() + interval, repeat};
    return id;
}

void Interpreter::removeTimer(int id) { m_timers.erase(id); }

void Interpreter::gatherRoots(std::vector<Object*>& roots, std::vector<Scope*>& scopes, std::vector<Value>& values)
{
    for (const Realm& r : m_realms)
        roots.insert(roots.end(), {r.global, r.objectPrototype, r.functionPrototype});
    roots.push_back(m_callee);
    values.push_back(m_thrown);
    for (const auto& [id, timer] : m_timers) {
        roots.push_back(timer.thisObject);
        values.push_back(timer.function);
        values.insert(values.end(), timer.args.begin(), timer.args.end());
    }
    for (const auto& [name, ctor] : m_registeredClasses)
        roots.push_back(ctor);
    roots.insert(roots.end(), m_pinned.begin(), m_pinned.end());
    values.insert(values.end(), m_stack.begin(), m_stack.end());
    for (const Frame* f : m_frames) {
        roots.insert(roots.end(), {f->thisObject, f->target, f->originalTarget, f->activation});
        scopes.push_back(f->scope);
        values.insert(values.end(), f->registers.begin(), f->registers.end());
        values.push_back(f->returnValue);
    }
    m_host.addGarbageRoots(roots);
}

void Interpreter::collectGarbage()
{
    if (m_running)
        return;
    std::vector<Object*> roots;
    std::vector<Scope*> scopes;
    std::vector<Value> values;
    gatherRoots(roots, scopes, values);
    setLiveMemory(m_heap.collect(roots, scopes, values));
}

double Interpreter::nextTimerDue() const
{
    double due = std::numeric_limits<double>::infinity();
    for (const auto& [id, timer] : m_timers)
        due = std::min(due, timer.due);
    return due;
}

void Interpreter::runTimers()
{
    const double now = m_host.movieTime();
    // Each timer fires at most once per call, in order of creation. A timer
    // is counted from the moment the script that set it ran, which is a
    // little after the frame's own moment the clock shows: one that falls
    // due exactly on a frame has not quite run out then and waits a frame.
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due < now)
            due.push_back(id);
    }
    for (int id : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            continue;
        Timer timer = it->second;
        if (timer.repeat)
            it->second.due = std::max(timer.due + timer.interval, now);
        else
            m_timers.erase(it);
        const bool outermost = !m_running;
        if (outermost)
            beginOutermost();
        if (timer.function.isObject())
            call(timer.function, timer.thisObject, timer.args);
        else if (timer.thisObject)
            callMethod(timer.thisObject, timer.method, timer.args);
        if (outermost)
            endOutermost();
    }
}

} // namespace swf::script
