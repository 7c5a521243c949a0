// SPDX-License-Identifier: Apache-2.0
// The environment variables a render reads, checked so that a mistyped value is not silently
// read as something else.
#pragma once

#include <string>

/// Why NUM_PROC_THARN's value `text` (null: unset) is not a whole number of chunks (1 to
/// INT_MAX), and how it is read all the same (the C library's atoi, never below 1 chunk); ""
/// when it is fine.
std::string ChunkCountWarning(const char* text);

/// Warns, once per process, when ChunkCountWarning finds fault with NUM_PROC_THARN.
void WarnAboutEnvironment();
