#pragma once

// The script side of clips: the MovieClip and Button classes, and the
// members every clip object answers itself (_x, _name, its children...).

#include "swf/script/interpreter.h"

#include <QRectF>
#include <memory>

namespace swf::runtime {

class MovieRuntime;
struct Instance;

// Installs MovieClip (and Button) on the machine's globals; returns the
// extension the runtime gives every object it creates for the stage.
std::shared_ptr<script::ObjectExtension> installMovieClipClass(script::Interpreter& in, MovieRuntime& runtime);

// Gives a text field on the stage its live state. `bounds` (twips) is the
// size asked for by createTextField; placed fields take their record's.
void installTextField(MovieRuntime& runtime, Instance* inst, const QRectF* bounds);

// Script depth <-> display-list key.
constexpr int kScriptDepthOffset = 16384;

} // namespace swf::runtime
