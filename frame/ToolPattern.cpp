// SPDX-License-Identifier: Apache-2.0
#include "ToolPattern.h"

namespace vorlings::frame {

void FinishToolConstruction(Operator& tool, CArchive* archive) {
    tool.OperatorAttributes[0] = 2;
    tool.OperatorAttributes[1] = 0;
    if (archive) {
        uint32_t skipped;
        *archive >> skipped >> skipped;
    }
}

uint32_t SaveTool(Operator& tool, uint32_t classId, CArchive* archive, const TagItem* tags) {
    *archive << classId;
    const uint32_t result = tool.Operator::Save(archive, tags);
    *archive << uint32_t(0) << SAVE_EndMarker;
    return result & 1;
}

} // namespace vorlings::frame
