// SPDX-License-Identifier: Apache-2.0
// A render called from Python: the GIL is released while it runs, so that other Python
// threads go on, and Ctrl-C (KeyboardInterrupt) raises the tool's AbortFlag.
#pragma once

#include "host/Operator.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

/// Renders `tool` at `time` on a thread of its own while the calling thread, with the GIL
/// released, waits and looks for signals every few hundredths of a second. On Ctrl-C the
/// AbortFlag goes up, the render stops where the tool checks it, and KeyboardInterrupt is
/// raised with no image; a Ctrl-C noted by the time the render ends counts too. `threads`, when
/// given, is the processor count and worker count for this render (they are the process's, so
/// renders that set them run one at a time). Call with the GIL held; `fetch` takes the GIL itself
/// when it needs Python. `seconds` gets the time the render took on its thread.
std::unique_ptr<Image> RenderWatched(Operator& tool, const std::string& toolName, double time,
                                     const ImageFetcher& fetch, std::optional<int> threads,
                                     double& seconds);
