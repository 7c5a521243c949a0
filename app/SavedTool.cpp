// SPDX-License-Identifier: Apache-2.0
#include "SavedTool.h"

#include "AbortSignal.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "Text.h"

#include "host/Archive.h"

#include <vector>

void SaveToolFile(Operator& tool, const std::string& toolName, const std::string& path) {
    std::vector<uint8_t> bytes;
    CArchive archive(bytes, CArchive::store);
    const uint32_t result = tool.Save(&archive, nullptr);
    if ((result & 1) == 0 || archive.Failed())
        throw FileError(path + ": " + toolName + " could not be saved" +
                        (archive.Failed() ? " (" + archive.Error() + ")" : ""));
    if (AbortRequested()) throw AbortedError();
    WriteFileAtomically(path, bytes);
}

LoadedTool LoadToolFile(const std::string& path, const Registry* expected) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
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
    return loaded;
}
