#include "swf/movie/display_list.h"

namespace swf::movie {

int countObjects(const ClipState& clip)
{
    int count = 0;
    for (const auto& [depth, object] : clip.objects) {
        ++count;
        if (object.clip)
            count += countObjects(*object.clip);
    }
    return count;
}

} // namespace swf::movie
