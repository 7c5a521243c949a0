// SPDX-License-Identifier: Apache-2.0
// "save": a tool's saved form with the values given, for --settings later.
#include "Commands.h"

#include "Errors.h"
#include "SavedTool.h"
#include "ToolSetup.h"

int RunSave(const SaveOptions& options) {
    PreparedTool prepared = PrepareTool(options.Tool, options.SettingsFile, options.Settings);
    SaveToolFile(*prepared.Tool, prepared.Name, options.Output);
    return kExitSuccess;
}
