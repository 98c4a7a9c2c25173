#pragma once

// The ActionScript 1/2 machine: runs decoded action lists against a heap of
// objects, asking a ScriptHost for everything that concerns the movie.

#include "common/result.h"
#include "swf/format/actions.h"
#include "swf/script/host.h"
#include "swf/script/object.h"
#include "swf/script/value.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace swf::script {

struct Limits {
    std::size_t maxStack = 1u << 16;
    // Calls nested in one script: 256 levels with the script's own.
    int maxCallDepth = 255;
    // Calls, With and Try blocks together: each nests the machine's C++
    // recursion, so this bounds the native stack a script can use.
    int maxNesting = 1024;
    // The same bound in bytes of native stack, whatever a level costs (sanitizer
    // builds have far larger frames), leaving room in the usual 8 MiB main stack.
    std::size_t maxNativeStack = 4u << 20;
    // Per run() call (one frame's script, one event handler).
    std::uint64_t maxInstructions = 5'000'000;
    // Per frame, all of its scripts together (frame scripts, events, timers),
    // and the time they may take, so that a window showing the movie repaints.
    // Past either the frame's remaining scripts are dropped. They apply from the
    // host's first beginFrame() on. A time of 0 is none: a host that draws to a
    // window sets one; headless runs leave it, so that their output never
    // depends on the machine's speed.
    std::uint64_t maxInstructionsPerFrame = 20'000'000;
    int maxFrameMilliseconds = 0;
    // What the movie's scripts may keep: strings, arrays, objects and their
    // properties, measured on what scripts can still reach, so that garbage
    // never counts. Past it the running script stops.
    std::size_t maxMemory = 256u << 20;
};

using ActionList = std::shared_ptr<const std::vector<Action>>;

class Interpreter {
public:
    Interpreter(ScriptHost& host, int swfVersion, Limits limits = {});
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // The SWF version whose rules hold now: that of the code running, or the
    // opened movie's between scripts.
    int swfVersion() const { return m_heap.runningVersion(); }
    // The opened movie's version.
    int movieVersion() const { return m_version; }
    Heap& heap() { return m_heap; }
    ScriptHost& host() { return m_host; }
    const Limits& limits() const { return m_limits; }
    // For hosts that need other limits than those they were made with.
    void setLimits(const Limits& limits);

    // Runs a block on a clip's timeline (`this` and the target are `clip`).
    // An uncaught throw, a broken block or a limit stops the block and is
    // reported to the host; the machine stays usable.
    // `version`: the SWF version of the movie the block comes from when it
    // is not the machine's own (a movie loaded into another); 0 for the machine's.
    void run(const ActionList& code, Object* clip, int version = 0);
    // Decodes and runs action bytes.
    veskor::Result<void> runBytes(const std::vector<std::uint8_t>& bytes, Object* clip);

    // Calls a function (or a method by name) from outside any script: event
    // handlers and the host's callbacks, with the limits of a fresh run.
    Value callFromHost(const Value& function, Object* thisObject, const std::vector<Value>& args);
    Value callMethodFromHost(Object* o, const std::string& name, const std::vector<Value>& args);

    // Calls due setInterval / setTimeout callbacks, each at most once; the
    // host calls this as its clock moves.
    void runTimers();
    // When the first timer falls due; infinity without timers.
    double nextTimerDue() const;

    // Frees the objects nothing reaches any more (from the globals, timers,
    // registered classes and the host's roots). Does nothing while a script
    // runs; the host calls it between frames.
    void collectGarbage();
    // Keeps an object alive for the interpreter's lifetime (objects that
    // native code holds on to).
    void pin(Object* o) { m_pinned.push_back(o); }

    // Built-in objects, those of the code running now. Movies of SWF 6 and
    // below share one set of globals and movies of SWF 7 and above another:
    // each side has its own _global, Object, Array, MovieClip and the rest.
    // Only a movie that loads one from the other side ever makes the second set.
    Object* global() const { return realm(swfVersion()).global; }
    Object* objectPrototype() const { return realm(swfVersion()).objectPrototype; }
    Object* functionPrototype() const { return realm(swfVersion()).functionPrototype; }
    Object* prototypeOf(const std::string& constructorName) { return prototypeOf(constructorName, swfVersion()); }
    // The prototype of a class among the globals movies of `version` see.
    Object* prototypeOf(const std::string& constructorName, int version);
    // Makes the globals movies of `version` see, if not made yet; the host
    // calls this before such a movie's first script or clip.
    void prepareGlobalsFor(int version);
    // Every set of globals made so far.
    std::vector<Object*> globalObjects() const;

    // Objects.
    Object* newObject();
    Object* newObject(Object* proto);
    // An object linked to whatever `proto` holds, a number included; none
    // when it holds nothing.
    Object* newObjectLinkedTo(const Value& proto);
    // What the prototype of the global class `constructorName` holds now:
    // nothing when that global is no object.
    Value currentPrototype(const std::string& constructorName);
    Object* newArray(const std::vector<Value>& items = {});
    Object* newFunction(NativeFunction f, NativeFunction constructor = {});
    // A bare function object linked to `proto`.
    Object* newFunctionObject(Object* proto);
    // Sets a DontEnum native method on an object.
    Object* defineMethod(Object* on, const std::string& name, NativeFunction f);
    Object* toObject(const Value& v);
    // valueOf or toString as a conversion finds it.
    Value conversionMethod(Object* o, const char* name);

    // Member access with prototype chain, accessors, watches and host hooks.
    Value getMember(const Value& base, const std::string& name);
    void setMember(const Value& base, const std::string& name, const Value& value);
    bool hasProperty(Object* o, const std::string& name);
    // An own property, or a member the host answers for (a clip's _x).
    bool hasOwnName(Object* o, const std::string& name);
    bool deleteMember(Object* o, const std::string& name);
    Value call(const Value& function, Object* thisObject, const std::vector<Value>& args, Object* home = nullptr);
    Value callMethod(const Value& base, const std::string& name, const std::vector<Value>& args);
    Value construct(const Value& constructor, const std::vector<Value>& args);
    // The same from inside the native function `caller`: a script constructor
    // reads it as its arguments.caller.
    Value constructFrom(Object* caller, const Value& constructor, const std::vector<Value>& args);
    // Marks `o` as made by `ctor`: __constructor__ (seen from SWF 6) and,
    // up to SWF 6, constructor, both its own.
    void recordConstructor(Object* o, Object* ctor);
    // Links an object to the constructor it was made by (__constructor__),
    // the way new and extends record it: hidden from SWF 5.
    void recordConstructorLink(Object* o, Object* ctor);

    // Conversions with the movie's version rules; objects go through
    // valueOf / toString.
    double toNumber(const Value& v);
    // A number for a display property (position, scale, size): from SWF 6
    // on undefined, null and empty text are NaN, which leaves the property
    // alone, in every version.
    double toDisplayNumber(const Value& v);
    std::string toString(const Value& v);
    bool toBoolean(const Value& v) const { return script::toBoolean(v, swfVersion()); }
    // Hint: 0 none (valueOf, except Date), 1 number, 2 string.
    Value toPrimitive(const Value& v, int hint = 0);
    // The language's `+`: strings join when either side is one, else numbers add.
    Value add(const Value& a, const Value& b);
    bool looseEquals(const Value& a, const Value& b);
    bool strictlyEqual(const Value& a, const Value& b);
    bool sameClipPath(Object* x, Object* y);
    bool looseEqualsVersion5(const Value& a, const Value& b);
    // Prints a value as the trace action does.
    void trace(const Value& v);
    // Whether the script function running now was called by `new` (ASnew).
    bool runningConstructor() const;
    // Less2: true, false or undefined (a NaN was involved).
    Value lessThan(const Value& a, const Value& b);
    bool instanceOf(Object* o, Object* constructor);
    // The class an instanceof or a cast names, made an object.
    Object* classObject(const Value& v);
    // Array length and items.
    std::uint32_t arrayLength(Object* a);
    void setArrayLength(Object* a, std::uint32_t length);
    // An element written to an array by name moves its length past it.
    void arrayIndexWritten(Object* a, const std::string& name);
    // The items are the object's own values: neither its prototypes nor
    // the properties added with getters count (those read as undefined).
    static Value arrayItem(Object* a, std::uint64_t index);
    std::vector<Value> arrayItems(Object* a);

    // Native code raises a script exception with this; the caller's Try sees it.
    void throwValue(const Value& v);
    bool throwing() const { return m_throwing; }
    // Stops every running script (limits); cleared when run() returns.
    void abort(const std::string& reason);
    // Stops the script and every action of the movie from then on.
    void abortForGood(const std::string& reason);
    bool aborted() const { return m_aborted; }

    // Timers for setInterval / setTimeout.
    int addTimer(Object* thisObject, Value function, std::string method, std::vector<Value> args, double interval, bool repeat);
    void removeTimer(int id);

    // The clip a reference leads to: itself while on the stage, else the clip
    // now at its path, or nullptr. Other objects are themselves.
    Object* liveClip(Object* o);
    // The clip the innermost running script works on (its target), or null
    // outside scripts: natives that need the movie asking (a relative address) use it.
    Object* runningClip() const;

    // Resolves "/a/b", "_root.a", "../x" from a clip; nullptr if nothing there.
    // toVariable: the path leads to a variable's object, where the first
    // name may also be `this` or a global. endedOnValue, when given, tells
    // whether a name of the path held a string, number or boolean where an
    // object had to be.
    Object* resolveTarget(Object* base, const std::string& path, bool toVariable = false, bool* endedOnValue = nullptr);
    // Sends `clip`, or the clip a "path:frame" string names from it, to a frame
    // number or label (`bias` is added to numbers, as a scene bias).
    void gotoFrameOf(Object* clip, const Value& frame, bool play, int bias = 0);

    // Property enumeration order of for..in: own properties, newest first, then the prototypes'.
    std::vector<std::string> enumerableNames(Object* o);

    std::uint64_t instructionsRun() const { return m_instructions; }
    // getTimer's clock: the host's time, plus the time the scripts' work
    // since that time last moved would have taken the player, never going back.
    double scriptClock();

    // Starts a frame's work: every script run until the next call shares
    // maxInstructionsPerFrame and maxFrameMilliseconds.
    void beginFrame();
    // Whether this frame's scripts used up their instructions or time; the
    // host drops the rest of the frame's scripts then.
    bool frameBudgetSpent();

    // Makes room for `bytes` a script is about to create (a joined string, a
    // copy of an array's items). False, and the running script stops, when the
    // movie's data would pass maxMemory; the caller then creates nothing.
    bool reserveMemory(std::size_t bytes);
    // The bytes scripts could reach when last measured.
    std::size_t liveMemory() const { return m_liveMemory; }

    // Object.registerClass: names (as last written) and their constructors,
    // in the order the names were first registered. The movie layer gives
    // clips of library symbols exported under a name its class; serialised
    // objects name the class they were made by.
    using ClassRegistry = std::vector<std::pair<std::string, Object*>>;
    const ClassRegistry& registeredClasses() const { return m_registeredClasses; }
    // Registers `ctor` under `name`, or removes the name when `ctor` is
    // null. Names ignore case before SWF 7, as other names do: a name
    // registered again in another case replaces the first, spelling and all.
    void registerClass(const std::string& name, Object* ctor);
    // The name `ctor` was last registered under that still names it; empty
    // when there is none.
    std::string classAlias(const Object* ctor) const;

private:
    struct Frame;
    enum class Completion { Normal, Return, Throw, Jump, Abort };

    Completion execute(Frame& f, std::size_t begin, std::size_t end, std::size_t& jumpTo);
    Completion step(Frame& f, const Action& a, std::size_t& pc, std::size_t& jumpTo);
    // The actions other than control flow, by the work they do: each runs an
    // action of its kind and says whether it was one.
    bool stepVariables(Frame& f, const Action& a);
    bool stepArithmetic(Frame& f, const Action& a);
    bool stepObjects(Frame& f, const Action& a, std::size_t& next);
    // InstanceOf, or CastOp when `cast`, on the frame's stack.
    void classTest(Frame& f, bool cast);
    // `v` as a call or `new` takes it, a primitive made an object on the way.
    const Value& callee(const Value& v);
    bool stepStrings(Frame& f, const Action& a);
    bool stepMovie(Frame& f, const Action& a, std::size_t& next);
    // After a jump out of a With block to `pc`: the index inside [begin, end)
    // that jumps lead back to, or nothing (and `pc` where the script goes on).
    std::optional<std::size_t> jumpBackInto(Frame& f, std::size_t& pc, std::size_t begin, std::size_t end);
    // Around every entry from outside a script: sets the limits of a fresh
    // run, and afterwards clears what a stopped script left.
    void beginOutermost();
    void endOutermost();
    // Ends an exception that left every script: the trace log says so.
    void reportUncaught();
    // Measures the data scripts reach, `pending` bytes about to be created
    // included; stops the running script when that passes the budget.
    bool checkMemory(std::size_t pending);
    // What the garbage collector and the memory measure start from.
    void gatherRoots(std::vector<Object*>& roots, std::vector<Scope*>& scopes, std::vector<Value>& values);
    void setLiveMemory(std::size_t bytes);
    Value callScript(Object* fn, Object* thisObject, const std::vector<Value>& args, Object* home, bool withSuper);
    // The clip a script function's code works on (its target) when called on `thisObject`.
    Object* functionTarget(const ScriptFunction& sf, Object* thisObject);
    int callVersion(const ScriptFunction& sf, Object* thisObject, Object* target);
    // call() with the choice of a `super` for script functions: plain
    // function calls (CallFunction) have none.
    Value invoke(const Value& function, Object* thisObject, const std::vector<Value>& args, Object* home, bool withSuper);

    // Ends the code of `f` (see Frame::clipOnStage) when its clip has left the stage.
    void haltIfClipLeft(Frame& f);
    // Lets the script function `fn`, when it is called next, share the stack
    // of the code in `f`; cleared again when the guard goes.
    struct SharedStack {
        Interpreter& in;
        ~SharedStack() { in.m_callerStack = {}; }
    };
    SharedStack shareStack(const Frame& f, const Value& fn);
    Value pop(Frame& f);
    // A count, then that many values (the first one popped first), never
    // below the frame's part of the stack.
    std::vector<Value> popList(Frame& f);
    // The two operands of a SWF 4 arithmetic operation as numbers, the first
    // (deeper) one converted first, as its valueOf runs first in the original player.
    std::pair<double, double> popOperands(Frame& f);
    void push(Frame& f, Value v);
    Value pushValue(Frame& f, const PushValue& p);
    Value getVariable(Frame& f, const std::string& name);
    Value lookupVariable(Frame& f, const std::string& name);
    void setVariable(Frame& f, const std::string& name, const Value& value);
    Value lookupName(Frame& f, const std::string& name, Object** foundIn = nullptr);
    // Where an assignment to `this` is kept in this frame.
    Object* assignedThisHolder(Frame& f);
    // Splits a path ("a/b:c", "a.b.c") into the object that holds its last
    // name and that name; false for a plain name. `reading` looks for an
    // object that has the name (a write lands on the first object the path
    // leads to).
    bool splitPath(Frame& f, const std::string& name, Object*& holder, std::string& var, bool reading = false);
    Object* targetFromValue(Frame& f, const Value& v);
    Object* actionTarget(Object* base, const std::string& path);
    void complainOfPrimitive();
    // The clip a path of slashes alone names.
    Object* clipAtPath(Frame& f, const std::string& name);
    // Whether `name`, a path of slashes alone that led to no object, stands
    // for a plain variable of that name.
    static bool plainSlashName(const std::string& name, const Object* holder);
    // Where a path of clips and variables starts.
    Object* pathBase(Frame& f, const std::string& path);
    // A path a script names: resolveTarget's, or in SWF 4 one of slashes only.
    Object* scriptPathTarget(Object* base, const std::string& path, bool toVariable = false, bool* endedOnValue = nullptr);
    Object* resolveSwf4Target(Object* base, const std::string& path);
    Object* scopeObject(const Frame& f, const Scope* s);
    // The timeline the code acts on, once it or the code's own left the stage.
    Object* liveTarget(const Frame& f);
    // The clip the timeline actions (play, stop, goto...) work on: none after
    // a tellTarget to nothing from SWF 7, though names still resolve on the
    // code's own timeline.
    Object* timelineTarget(const Frame& f) const;
    void setTarget(Frame& f, const Value& target);
    Value lookup(Object* o, const std::string& name, Object** owner);
    // Whether a get or set of an accessor property from `self` calls its getter
    // or setter now, with calls of them (or watches of its name) running; else
    // it reads or writes the plain value underneath.
    bool accessorCallable(std::uint32_t accessorId, const Object* self) const;
    Value callAccessor(Object* function, std::uint32_t accessorId, Object* self, const std::vector<Value>& args);
    Object* makeSuper(Object* home, Object* thisObject);
    Value getPropertyOf(Object* o, const std::string& name, Object* thisObject);
    // The function that answers for names `o` lacks, if any.
    Object* resolver(Object* o);
    std::string traceString(const Value& v);

    ScriptHost& m_host;
    int m_version;
    Limits m_limits;
    Heap m_heap;
    struct Realm {
        Object* global = nullptr;
        Object* objectPrototype = nullptr;
        Object* functionPrototype = nullptr;
    };
    static int realmIndex(int version) { return version >= 7 ? 1 : 0; }
    // The set of globals of `version`'s side, or the opened movie's while
    // that side has none.
    const Realm& realm(int version) const
    {
        const Realm& r = m_realms[realmIndex(version)];
        return r.global ? r : m_realms[realmIndex(m_version)];
    }
    void makeRealm(int version);
    Realm m_realms[2];

    std::vector<Value> m_stack;
    // The constant pool the last block run by the player declared.
    std::shared_ptr<const std::vector<std::string>> m_lastConstants;
    int m_depth = 0;
    int m_nesting = 0;
    std::uintptr_t m_stackBase = 0; // frame address of the outermost execute()
    Object* m_callee = nullptr; // the script function running now, for arguments.caller
    bool m_nextCallConstructs = false; // the next script function called runs for `new`
    // A script function that an opcode calls runs on its caller's stack: it
    // can pop what the caller pushed before the call.
    struct CallerStack {
        const Object* function = nullptr;
        std::size_t base = 0;
    } m_callerStack;
    std::uint64_t m_instructions = 0;
    double m_clockBase = -1;
    std::uint64_t m_clockInstructions = 0;
    double m_lastClock = 0;
    std::uint64_t m_budget = 0;
    // This frame's end, in instructions and in time; none before beginFrame().
    std::uint64_t m_frameInstructionEnd = UINT64_MAX;
    std::chrono::steady_clock::time_point m_frameDeadline = std::chrono::steady_clock::time_point::max();
    bool m_frameExpired = false;
    // Frames of the scripts running now, innermost last: roots for measuring.
    std::vector<Frame*> m_frames;
    std::size_t m_liveMemory = 0;
    // Bytes that may be created before the data is measured again.
    std::size_t m_memoryHeadroom = 0;
    bool m_running = false;
    bool m_aborted = false;
    // Set once a script went past the recursion limit: as in the original
    // player, no action of the movie runs again.
    bool m_actionsDisabled = false;
    bool m_throwing = false;
    Value m_thrown;

    struct Timer {
        int id;
        Object* thisObject;
        Value function;
        std::string method;
        std::vector<Value> args;
        double interval;
        double due;
        bool repeat;
    };
    std::map<int, Timer> m_timers;
    ClassRegistry m_registeredClasses;
    std::vector<Object*> m_pinned;
    int m_nextTimer = 1;
    // The getter and setter calls (and watches of accessor properties) running now, innermost last.
    struct RunningAccessor {
        std::uint32_t id;
        const Object* self;
    };
    std::vector<RunningAccessor> m_runningAccessors;
    struct RunningWatch {
        const Object* object;
        std::string key;
    };
    std::vector<RunningWatch> m_runningWatches;
    static constexpr int kMaxNestedAccessorCalls = 65;

    friend void installBuiltins(Interpreter&);
};

} // namespace swf::script
