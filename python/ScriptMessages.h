// SPDX-License-Identifier: Apache-2.0
// What the host says, in Python's terms: warnings go to Python's warnings module as
// vorlings.VorlingsWarning, and a failed command becomes the matching Python exception
// carrying the command line's one-line message.
#pragma once

#include "Errors.h"

#include <pybind11/pybind11.h>

#include <string>

/// Creates vorlings.VorlingsWarning in `module`, sends the host's warnings to it and turns
/// CommandError into ValueError (bad values and arguments), RuntimeError (a render or saved
/// form that failed) or KeyboardInterrupt (an interrupted render).
void InstallMessages(pybind11::module_& module);

/// Hands the warnings given since the last call to Python's warnings. Needs the GIL; throws
/// error_already_set when a warnings filter turns one into an error.
void FlushWarnings();

/// Runs `lookup`, turning a CommandError it throws (a name that matches nothing) into
/// KeyError with the same message.
template <class Lookup>
decltype(auto) AsKeyError(Lookup&& lookup) {
    try {
        return lookup();
    } catch (const CommandError& e) {
        FlushWarnings();
        throw pybind11::key_error(e.what());
    }
}
