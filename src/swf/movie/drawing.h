#pragma once

// What a clip's script drew with the drawing methods (moveTo, lineTo, curveTo,
// beginFill, lineStyle...). Filled in as the methods are called; drawn below
// the clip's own objects.

namespace swf::movie {

class Drawing {
public:
};

} // namespace swf::movie
