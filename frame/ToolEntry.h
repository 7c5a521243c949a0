// SPDX-License-Identifier: Apache-2.0
// The registry entry every tool carries: one builder for the common tag list, and the static
// object that joins the host's class list and carries the tool's tile.
#pragma once

#include "host/Registry.h"
#include "host/System.h"
#include "host/TagList.h"

#include <array>
#include <cstdint>
#include <span>

namespace vorlings::frame {

/// What differs between the tools' registry entries.
struct ToolInfo {
    const char* ClassName;
    uint32_t ClassID;
    const char* DisplayName;
    const char* ShortName;
    const char* Description;
    const char* HelpTopic;
    int Bitmap;
    FactoryFn Factory;
    /// The tile bitmap's bytes, carried as resource `Bitmap` while the entry is registered.
    const std::span<const uint8_t>* Tile = nullptr;
    bool TimeSampled = false; ///< carries tag 0x10000022 = 1 (a tool reading two frames)
};

inline constexpr const char* kCategory = "Tharn Vorlings\\Box 1";
inline constexpr const char* kCompany = "Tharn Solutions Ltd.";
inline constexpr const char* kWebAddress = "https://vorlings.example.org/";
inline constexpr const char* kVersionText = "v2.50, built Jan 21 2000";
inline constexpr uint64_t kVersionNumber = 250;

/// The tag list of a tool's entry, in the fixed order, closed by a zero tag.
using EntryTags = std::array<TagItem, 18>;
EntryTags BuildEntryTags(const ToolInfo& info);

/// A tool's static registry entry: joins the host's class list and registers the tile when
/// built, leaves and withdraws it when destroyed (on unload, in reverse order of construction).
class ToolEntry {
public:
    explicit ToolEntry(const ToolInfo& info);

private:
    EntryTags tags_;
    Registry registry_;
    ResourceRegistrar tile_;
};

} // namespace vorlings::frame
