// SPDX-License-Identifier: Apache-2.0
// The constructor, saving and factory pattern that every tool follows.
#pragma once

#include "host/Archive.h"
#include "host/Operator.h"
#include "host/Registry.h"

namespace vorlings::frame {

/// The constructor's closing steps: the two operator attributes, then, for a loaded tool,
/// skipping the zero word and end marker that Save wrote (their values are not checked).
void FinishToolConstruction(Operator& tool, CArchive* archive);

/// A tool's saved form: class ID, base data, a zero word, "EndC". Returns bit 0 of the base
/// data's result.
uint32_t SaveTool(Operator& tool, uint32_t classId, CArchive* archive, const TagItem* tags);

/// The factory of tool class T: the object, or null when it cannot be allocated.
/// No exception leaves it: a failed allocation inside the constructor also gives null.
template <class T>
Operator* MakeTool(Registry* entry, CArchive* archive, const TagItem* tags) {
    try {
        return new T(entry, archive, tags);
    } catch (...) {
        return nullptr;
    }
}

} // namespace vorlings::frame
