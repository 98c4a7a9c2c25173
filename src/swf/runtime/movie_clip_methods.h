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

// flash.geom.Transform, and a clip's `transform` (transform_class.cpp): a
// new Transform of the clip on each read; assigning one copies its clip's
// matrix and colour transform.
void installTransformClass(script::Interpreter& in, MovieRuntime& runtime);
script::Value clipTransform(script::Interpreter& in, script::Object* clip);
void setClipTransform(MovieRuntime& runtime, script::Object* clip, const script::Value& transform);

// `filters` of a clip, button or text field: new filter objects on every
// read, those a script set or else the placement's; a list set is copied in.
script::Value objectFilters(script::Interpreter& in, MovieRuntime& runtime, script::Object* object);
void setObjectFilters(script::Interpreter& in, MovieRuntime& runtime, script::Object* object, const script::Value& list);

// The members of a video on the stage: width and height, smoothing, deblocking.
void addVideoMembers(script::Interpreter& in, MovieRuntime& runtime, script::Object* video);

// flash.geom's class `name`, whether or not the running movie's version sees it.
script::Value geomClass(script::Interpreter& in, const char* name);

// NetStream's playing of Flash Video files and Video.attachVideo
// (net_streams.cpp), over the library classes' idle versions.
void installNetStreams(script::Interpreter& in, MovieRuntime& runtime);

// Script depth <-> display-list key.
using movie::kScriptDepthOffset;

} // namespace swf::runtime
