#pragma once

// What a movie's scripts run next, in the original player's order: jobs (frame
// scripts, clip events, constructors) wait in queues by priority, and the
// first non-empty queue runs first.

#include "swf/script/interpreter.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace swf::runtime {

struct Instance;

// One thing to run for a clip.
struct Job {
    Instance* inst = nullptr;
    script::Object* self = nullptr;
    script::ActionList code;
    std::uint32_t event = 0; // clip actions with this flag
    std::string handler;     // then this method, if the object has it
    bool construct = false;  // registered class and constructor
    bool evenIfRemoved = false;
    // Queued by a script's goto: may run as soon as a function that script calls returns.
    bool afterCall = false;
    // A clip a script removed, kept on the stage until its unload event ran: removed then.
    bool removeAfter = false;
    // Host work that must wait its turn (a loader's events): run instead of the above.
    std::function<void()> call;
    script::Object* keep = nullptr; // what `call` works on besides `self`
};

// Initialize clip events and initialisation scripts run first, in the order
// of the tags that bring them, then constructors, then everything else.
enum class Priority { Initialize, Construct, Normal };

class EventQueue {
public:
    void push(std::unique_ptr<Job> job, Priority priority = Priority::Normal);
    // The next job to run; null when every queue is empty.
    std::unique_ptr<Job> next();
    // While on, the initialisation scripts and constructors pushed are
    // marked to run after the script's next function call.
    void markForCall(bool on) { m_marking = on; }
    // The first marked job, initialisation before constructors; null when none waits.
    std::unique_ptr<Job> nextAfterCall();
    void clear();
    // The objects the waiting jobs run on, for the garbage collector.
    void addObjects(std::vector<script::Object*>& out) const;

private:
    std::deque<std::unique_ptr<Job>> m_queues[3];
    bool m_marking = false;
};

} // namespace swf::runtime
