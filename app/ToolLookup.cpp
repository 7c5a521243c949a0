// SPDX-License-Identifier: Apache-2.0
#include "ToolLookup.h"

#include "Errors.h"
#include "Text.h"

#include <vector>

Registry& FindTool(std::string_view name) {
    std::vector<std::string> known;
    for (Registry* entry : TheClassRegistry().Entries()) {
        const char* display = entry->Text(REG_DisplayName);
        if ((display && EqualsIgnoreCase(display, name)) ||
            EqualsIgnoreCase(entry->ClassName(), name))
            return *entry;
        known.push_back(ToolName(*entry));
    }
    throw UsageError("unknown tool " + Quoted(name) +
                     " (tools: " + (known.empty() ? "none" : Join(known, ", ")) + ")");
}

std::string ToolName(const Registry& entry) {
    const char* display = entry.Text(REG_DisplayName);
    return display && *display ? display : entry.ClassName();
}

ToolPtr CreateTool(Registry& entry) {
    ToolPtr tool(entry.Create(nullptr));
    if (!tool) throw FileError(ToolName(entry) + ": the tool could not be created");
    return tool;
}
