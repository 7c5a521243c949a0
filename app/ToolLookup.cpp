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

std::vector<const Input*> ImageInputsOf(const Operator& tool) {
    std::vector<const Input*> inputs;
    for (const auto& in : tool.Inputs())
        if (in->IsImage()) inputs.push_back(in.get());
    return inputs;
}

const Input* ImageInputNamed(const std::vector<const Input*>& inputs, std::string_view name) {
    for (const Input* in : inputs)
        if (in->Name == name) return in;
    const Input* found = nullptr;
    for (const Input* in : inputs) {
        if (!EqualsIgnoreCase(in->Name, name)) continue;
        if (found) return nullptr;
        found = in;
    }
    return found;
}

std::string InputList(const std::vector<const Input*>& inputs) {
    std::vector<std::string> names;
    for (const Input* in : inputs) names.push_back(Quoted(in->Name));
    return names.empty() ? "none" : Join(names, ", ");
}
