// SPDX-License-Identifier: Apache-2.0
// One frame of a tool's output, asked for as a compositing host asks: a request at the
// frame's time, the tool's Process, and the image handed to its output.
#pragma once

#include "host/Operator.h"

#include <functional>
#include <memory>
#include <string>

/// Called with the share of the frame's current pass of chunks that has ended (0 to 1), on
/// the worker threads.
using ChunkProgress = std::function<void(double fraction)>;

/// Renders `tool` at `time`, delivering images through `fetch` and telling `progress`, when
/// given, as chunks end. The tool's AbortFlag is raised by SIGINT and SIGTERM meanwhile.
/// Throws an aborted CommandError (exit 130) when interrupted, and a CommandError (exit 1)
/// naming the tool when a worker failed or no image was handed over.
std::unique_ptr<Image> RenderFrame(Operator& tool, const std::string& toolName, double time,
                                   const ImageFetcher& fetch,
                                   const ChunkProgress& progress = nullptr);

/// The same render for a front end that raises the tool's AbortFlag itself rather than
/// through the signal handlers: throws an aborted CommandError when the flag is up at the
/// end, and the same errors as RenderFrame otherwise.
std::unique_ptr<Image> RenderAtTime(Operator& tool, const std::string& toolName, double time,
                                    const ImageFetcher& fetch,
                                    const ChunkProgress& progress = nullptr);
