#pragma once

// The script side of clips: the MovieClip and Button classes, and the
// members every clip object answers itself (_x, _name, its children...).

#include "swf/movie/display_list.h"
#include "swf/script/interpreter.h"

#include <QRectF>
#include <memory>

namespace swf::runtime {

class MovieRuntime;
struct Instance;

// Installs MovieClip (and Button) on the machine's globals; returns the
// extension the runtime gives every object it creates for the stage.
std::shared_ptr<script::ObjectExtension> installMovieClipClass(script::Interpreter& in, MovieRuntime& runtime);

// Script depth <-> display-list key.
using movie::kScriptDepthOffset;

} // namespace swf::runtime
