#pragma once

// Event handlers run inside Qt's event loop, where an escaping exception would end the
// program. Every handler the windows connect goes through guarded(): a failure inside
// ends that handler and nothing else.

#include <utility>

namespace veskor {

template <typename Handler>
void guarded(Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
    }
}

} // namespace veskor
