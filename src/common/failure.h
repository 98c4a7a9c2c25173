#pragma once

// Where exceptions stop. Code that may throw (an allocation that failed deep
// inside the engine or a library) runs through failureOf(), and what it threw
// comes back as a message a user can read: one movie or one command fails, the
// program goes on.

#include <exception>
#include <new>
#include <string>

namespace veskor {

// Runs `work`; the message for what it threw, or an empty string when it returned.
template <typename Work>
std::string failureOf(Work&& work)
{
    try {
        work();
        return {};
    } catch (const std::bad_alloc&) {
        return "The movie needs more memory than the computer can give it.";
    } catch (const std::exception& e) {
        return std::string("The movie failed: ") + e.what();
    } catch (...) {
        return "The movie failed.";
    }
}

} // namespace veskor
