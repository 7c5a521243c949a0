// SPDX-License-Identifier: Apache-2.0
// One frame of a tool's output, asked for as a compositing host asks: a request at the
// frame's time, the tool's Process, and the image handed to its output.
#pragma once

#include "host/Operator.h"

#include <memory>
#include <string>

/// Renders `tool` at `time`, delivering images through `fetch`. The tool's AbortFlag is
/// raised by SIGINT and SIGTERM meanwhile. Throws an aborted CommandError (exit 130) when
/// interrupted, and a CommandError (exit 1) naming the tool when a worker failed or no
/// image was handed over.
std::unique_ptr<Image> RenderFrame(Operator& tool, const std::string& toolName, double time,
                                   const ImageFetcher& fetch);
