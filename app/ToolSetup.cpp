// SPDX-License-Identifier: Apache-2.0
#include "ToolSetup.h"

#include "ControlValue.h"
#include "Errors.h"
#include "SavedTool.h"

PreparedTool PrepareTool(const std::string& toolName, const std::string& settingsFile,
                         const std::vector<std::string>& settings) {
    if (toolName.empty() && settingsFile.empty())
        throw UsageError("name a tool (see: vorlings list) or give --settings FILE");
    PreparedTool prepared;
    Registry* named = toolName.empty() ? nullptr : &FindTool(toolName);
    if (settingsFile.empty()) {
        prepared.Entry = named;
        prepared.Tool = CreateTool(*named);
    } else {
        LoadedTool loaded = LoadToolFile(settingsFile, named);
        prepared.Entry = loaded.Entry;
        prepared.Tool = std::move(loaded.Tool);
    }
    prepared.Name = ToolName(*prepared.Entry);
    for (const std::string& setting : settings)
        ApplySetting(*prepared.Tool, setting, prepared.Name);
    return prepared;
}
