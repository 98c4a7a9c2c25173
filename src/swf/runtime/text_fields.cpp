// Text fields on the stage: their live state, and the timeline variables
// they show.

#include "swf/runtime/movie_clip_methods.h"
#include "swf/runtime/movie_runtime.h"

namespace swf::runtime {

void installTextField(MovieRuntime& runtime, Instance* inst, const QRectF* bounds)
{
    (void)runtime;
    (void)inst;
    (void)bounds;
}

void MovieRuntime::syncTextVariables() {}

} // namespace swf::runtime
