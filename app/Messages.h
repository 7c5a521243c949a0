// SPDX-License-Identifier: Apache-2.0
// One-line messages on stderr: warnings while a command goes on, and the final error.
#pragma once

#include <string>

/// "vorlings: warning: TEXT".
void Warn(const std::string& text);

/// Where warnings go instead of stderr, for a front end that has its own way of giving them
/// (Python's warnings); null gives them to stderr again. The sink may be called from any
/// thread.
using WarningSink = void (*)(const std::string& text);
void SetWarningSink(WarningSink sink);

/// "vorlings: TEXT", the one line a failed command leaves; on `fd` when it is given (a copy
/// of stderr kept while image libraries are silenced).
void ReportError(const std::string& text, int fd = -1);

/// Warn(text) the first time `key` is given, nothing after: a sequence warns once of what
/// every frame would repeat.
void WarnOnce(const std::string& key, const std::string& text);
