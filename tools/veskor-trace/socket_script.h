#pragma once

// A scripted server for a trace run's sockets, read from a JSON list of steps:
//   {"type":"Receive","expected":[72,105,0]}   wait for these bytes from the movie
//   {"type":"Send","payload":[72,105,0]}       send these bytes to the movie
//   {"type":"Disconnect"}                      close the server's end
//   {"type":"WaitForDisconnect"}               wait for the movie to close its end

#include "common/result.h"
#include "swf/runtime/trace_run.h"

#include <QByteArray>

#include <filesystem>
#include <vector>

namespace veskor::tools {

// The longest server script read.
inline constexpr qint64 kMaxSocketScriptBytes = 16 << 20;

Result<std::vector<swf::runtime::SocketStep>> parseSocketScript(const QByteArray& json);
Result<std::vector<swf::runtime::SocketStep>> readSocketScript(const std::filesystem::path& path);

} // namespace veskor::tools
