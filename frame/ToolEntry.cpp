// SPDX-License-Identifier: Apache-2.0
#include "ToolEntry.h"

namespace vorlings::frame {

EntryTags BuildEntryTags(const ToolInfo& info) {
    EntryTags tags{};
    size_t n = 0;
    auto add = [&](TagItem t) { tags[n++] = t; };
    add(TagPtr(REG_Init, reinterpret_cast<const void*>(&RegInit)));
    add(TagPtr(REG_Cleanup, reinterpret_cast<const void*>(&RegCleanup)));
    add(TagPtr(REG_Factory, reinterpret_cast<const void*>(info.Factory)));
    add(TagNum(REG_ClassID, info.ClassID));
    add(TagNum(REG_Flags, 3));
    add(TagNum(REG_Bitmap, uint64_t(info.Bitmap)));
    add(TagPtr(REG_ShortName, info.ShortName));
    add(TagPtr(REG_Description, info.Description));
    add(TagPtr(REG_DisplayName, info.DisplayName));
    add(TagPtr(REG_HelpTopic, info.HelpTopic));
    if (info.TimeSampled) add(TagNum(REG_TimeSampled, 1));
    add(TagPtr(REG_Category, kCategory));
    add(TagPtr(REG_Company, kCompany));
    add(TagPtr(REG_WebAddress, kWebAddress));
    add(TagPtr(REG_VersionText, kVersionText));
    add(TagNum(REG_VersionNumber, kVersionNumber));
    add(TagEnd());
    return tags;
}

ToolEntry::ToolEntry(const ToolInfo& info)
    : tags_(BuildEntryTags(info)), registry_(&TheClassRegistry(), info.ClassName, tags_.data()),
      tile_(info.Bitmap, info.Tile ? *info.Tile : std::span<const uint8_t>{}) {}

} // namespace vorlings::frame
