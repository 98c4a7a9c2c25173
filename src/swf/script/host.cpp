#include "swf/script/host.h"

namespace swf::script {

const char* clipPropertyName(int index)
{
    static const char* names[kClipPropertyCount] = {
        "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible", "_width", "_height", "_rotation",
        "_target", "_framesloaded", "_name", "_droptarget", "_url", "_highquality", "_focusrect", "_soundbuftime", "_quality", "_xmouse", "_ymouse",
    };
    return index >= 0 && index < kClipPropertyCount ? names[index] : "";
}

} // namespace swf::script
