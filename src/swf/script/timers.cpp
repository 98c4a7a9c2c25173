// setInterval / setTimeout: callbacks due on the host's movie clock.

#include "swf/script/interpreter.h"

#include <algorithm>

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

void Interpreter::collectGarbage()
{
    if (m_running)
        return;
    std::vector<Object*> roots = {m_global, m_objectPrototype, m_functionPrototype};
    std::vector<Value> values = {m_thrown};
    for (const auto& [id, timer] : m_timers) {
        roots.push_back(timer.thisObject);
        values.push_back(timer.function);
        values.insert(values.end(), timer.args.begin(), timer.args.end());
    }
    for (const auto& [name, ctor] : m_registeredClasses)
        roots.push_back(ctor);
    roots.insert(roots.end(), m_pinned.begin(), m_pinned.end());
    values.insert(values.end(), m_stack.begin(), m_stack.end());
    m_host.addGarbageRoots(roots);
    m_heap.collect(roots, {}, values);
}

void Interpreter::runTimers()
{
    const double now = m_host.movieTime();
    // Each timer fires at most once per call, in order of creation.
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now)
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
        if (outermost) {
            m_running = true;
            m_aborted = false;
            m_budget = m_instructions + m_limits.maxInstructions;
        }
        if (timer.function.isObject())
            call(timer.function, timer.thisObject, timer.args);
        else if (timer.thisObject)
            callMethod(timer.thisObject, timer.method, timer.args);
        if (outermost) {
            m_running = false;
            m_aborted = false;
            m_throwing = false;
            m_depth = 0;
        }
    }
}

} // namespace swf::script
