// SPDX-License-Identifier: Apache-2.0
// Whether an output already on disk is a finished picture, for --skip-existing.
#pragma once

#include <string>

/// Why the file at `path` is no finished image ("is empty", "cannot be read as an image
/// (...)"), or "" when it is one: it opens, and every row of its pixels reads.
std::string UnfinishedOutputReason(const std::string& path);
