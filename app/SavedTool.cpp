// SPDX-License-Identifier: Apache-2.0
#include "SavedTool.h"

#include "AbortSignal.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include "host/Archive.h"

#include <cmath>
#include <vector>

namespace {

// Reads the saved values again, as the base constructor did, to speak of those it passes over
// in silence: a value for a link id no control of the tool has (or of another kind) is
// ignored with a warning; one that is not a finite number is refused, as -s refuses it.
void CheckSavedValues(std::vector<uint8_t> bytes, const Operator& tool, const std::string& toolName,
                      const std::string& path) {
    CArchive archive(bytes, CArchive::load);
    uint32_t classId = 0, count = 0;
    archive >> classId >> count;
    for (uint32_t i = 0; i < count && !archive.Failed(); ++i) {
        uint32_t linkId = 0, type = 0;
        double values[2] = {0.0, 0.0};
        archive >> linkId >> type >> values[0];
        if (type == TYPE_Point) archive >> values[1];
        if (archive.Failed()) return; // the load has said what is wrong with the file
        const Input* in = tool.FindInput(linkId);
        if (!in || in->IsImage()) {
            Warn(path + ": " + toolName + " has no control with link id " + LinkIdText(linkId) +
                 "; its saved value is ignored");
            continue;
        }
        if (in->DataType != type) {
            Warn(path + ": " + toolName + " control " + Quoted(in->Name) + " takes " +
                 (in->IsPoint() ? "a point" : "a number") +
                 ", not the value saved for it; "
                 "ignored");
            continue;
        }
        for (int k = 0; k < (type == TYPE_Point ? 2 : 1); ++k)
            if (!std::isfinite(values[k]))
                throw FileError(path + ": " + toolName + " control " + Quoted(in->Name) +
                                " is saved as " + NumberText(values[k]) + ", not a number");
    }
}

} // namespace

std::vector<uint8_t> SavedForm(Operator& tool, const std::string& toolName,
                               const std::string& where) {
    std::vector<uint8_t> bytes;
    CArchive archive(bytes, CArchive::store);
    const uint32_t result = tool.Save(&archive, nullptr);
    if ((result & 1) == 0 || archive.Failed())
        throw FileError(where + ": " + toolName + " could not be saved" +
                        (archive.Failed() ? " (" + archive.Error() + ")" : ""));
    return bytes;
}

void SaveToolFile(Operator& tool, const std::string& toolName, const std::string& path) {
    const std::vector<uint8_t> bytes = SavedForm(tool, toolName, path);
    if (AbortRequested()) throw AbortedError();
    WriteFileAtomically(path, bytes);
}

LoadedTool LoadToolFile(const std::string& path, const Registry* expected) {
    return LoadSavedForm(ReadWholeFile(path), path, expected);
}

LoadedTool LoadSavedForm(const std::vector<uint8_t>& saved, const std::string& path,
                         const Registry* expected) {
    // The archive reads from a buffer of its own; `saved` is read again for the checks.
    std::vector<uint8_t> bytes = saved;
    CArchive archive(bytes, CArchive::load);
    uint32_t classId = 0;
    archive >> classId;
    if (archive.Failed()) throw FileError(path + ": " + archive.Error());

    if (expected && expected->ClassID() != classId) {
        const Registry* saved = TheClassRegistry().FindByClassID(classId);
        throw FileError(path + ": holds a saved " +
                        (saved ? ToolName(*saved) + " (" + HexWord(classId) + ")"
                               : "tool of class ID " + HexWord(classId)) +
                        ", not " + ToolName(*expected) + " (" + HexWord(expected->ClassID()) + ")");
    }
    Registry* entry = TheClassRegistry().FindByClassID(classId);
    if (!entry)
        throw FileError(path + ": not a saved tool of this module (class ID " + HexWord(classId) +
                        ")");

    LoadedTool loaded{entry, ToolPtr(entry->Create(&archive))};
    if (archive.Failed()) throw FileError(path + ": " + archive.Error());
    if (!loaded.Tool) throw FileError(path + ": " + ToolName(*entry) + " could not be loaded");
    CheckSavedValues(saved, *loaded.Tool, ToolName(*entry), path);
    return loaded;
}
