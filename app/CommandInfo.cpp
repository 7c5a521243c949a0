// SPDX-License-Identifier: Apache-2.0
// "list" and "info": what the registry and a fresh tool object declare.
#include "Commands.h"

#include "ControlLookup.h"
#include "ControlValue.h"
#include "Text.h"
#include "ToolLookup.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace {

struct TagName {
    uint32_t Tag;
    const char* Name;
    bool IsText;
};

// The entry tags a listing shows, with how to read their values. The factory and the two
// host hooks are functions, not values, and are left out.
constexpr TagName kEntryTags[] = {
    {REG_ClassID, "Class ID", false},       {REG_Flags, "Flags", false},
    {REG_Bitmap, "Bitmap", false},          {REG_ShortName, "Short name", true},
    {REG_Description, "Description", true}, {REG_DisplayName, "Display name", true},
    {REG_HelpTopic, "Help topic", true},    {REG_TimeSampled, "Time sampled", false},
    {REG_Category, "Category", true},       {REG_Company, "Company", true},
    {REG_WebAddress, "Web address", true},  {REG_VersionText, "Version text", true},
    {REG_VersionNumber, "Version", false},
};

bool IsFunctionTag(uint32_t tag) {
    return tag == REG_Factory || tag == REG_Init || tag == REG_Cleanup;
}

std::string TagValueLine(const TagItem& item, std::string& name) {
    for (const TagName& known : kEntryTags) {
        if (known.Tag != item.tag) continue;
        name = known.Name;
        if (known.IsText) {
            const char* text = TagValueText(item);
            return text ? text : "";
        }
        if (item.tag == REG_ClassID) return HexWord(uint32_t(item.value));
        return std::to_string(item.value);
    }
    name = "Tag " + HexWord(item.tag);
    if (TagSizeClass(item.tag) == 2) return NumberText(TagValueDouble(item));
    return std::to_string(item.value) + " (" + HexWord(uint32_t(item.value)) + ")";
}

std::string KindName(const Input& input) {
    switch (input.ControlKind) {
    case KIND_Slider:
        return "slider";
    case KIND_Combo:
        return "combo box";
    case KIND_Check:
        return "check box";
    case KIND_Offset:
        return "offset";
    case KIND_Dial:
        return "dial";
    case KIND_Range:
        return "range";
    case KIND_Colour:
        return "colour";
    default:
        break;
    }
    if (input.ControlKind) return LinkIdText(input.ControlKind);
    return input.IsPoint() ? "point" : "number";
}

std::string PreviewName(uint32_t preview) {
    switch (preview) {
    case PREVIEW_Crosshair:
        return "crosshair";
    case PREVIEW_Circle:
        return "circle";
    case PREVIEW_Angle:
        return "angle";
    case PREVIEW_Rectangle:
        return "rectangle";
    case PREVIEW_Point:
        return "point";
    default:
        return LinkIdText(preview);
    }
}

std::string LinkText(uint32_t linkId) {
    const std::string text = LinkIdText(linkId);
    return text.size() == 4 ? text + " (" + HexWord(linkId) + ")" : text;
}

std::string ImageLinkName(uint32_t linkId) {
    if (linkId == LINK_FirstImage) return "first image input";
    if (linkId == LINK_SecondImage) return "second image input";
    if (linkId == LINK_ImageOutput) return "image output";
    return "image";
}

// The value a new tool starts with, and whether the tool declared it.
std::string DefaultText(const Input& in) {
    const bool declared = in.IsPoint() ? in.DefaultX || in.DefaultY : in.Default || in.CheckDefault;
    return CurrentValueText(in) + (declared ? "" : " (none declared)");
}

void PrintControl(const Input& in, const ToolControls& controls, size_t index) {
    std::vector<std::string> parts{KindName(in), "link " + LinkText(in.LinkId)};
    if (in.PreviewKind) parts.push_back("preview " + PreviewName(in.PreviewKind));
    if (in.Lower && in.Upper)
        parts.push_back("range " + NumberText(*in.Lower) + " to " + NumberText(*in.Upper));
    else if (in.Lower)
        parts.push_back("lower bound " + NumberText(*in.Lower));
    else if (in.Upper)
        parts.push_back("upper bound " + NumberText(*in.Upper));
    parts.push_back("default " + DefaultText(in));
    if (!in.Entries.empty()) {
        std::vector<std::string> entries;
        for (size_t i = 0; i < in.Entries.size(); ++i)
            entries.push_back(std::to_string(i) + " " + Quoted(in.Entries[i]));
        parts.push_back("entries " + Join(entries, ", "));
    }
    if (!in.GroupLabel.empty() || in.GroupNumber || in.GroupIndex) {
        std::string group = "group";
        if (!in.GroupLabel.empty()) group += " " + Quoted(in.GroupLabel);
        if (in.GroupNumber) group += " number " + std::to_string(*in.GroupNumber);
        if (in.GroupIndex) group += " index " + std::to_string(*in.GroupIndex);
        parts.push_back(group);
    }
    if (in.TiedTo) parts.push_back("tied to " + Quoted(in.TiedTo->Name));
    for (const TagItem& t : in.ExtraTags) {
        const std::string value = TagSizeClass(t.tag) == 2 ? NumberText(TagValueDouble(t))
                                                           : std::to_string(int64_t(t.value));
        parts.push_back("tag " + HexWord(t.tag) + " = " + value);
    }
    std::cout << "  " << Quoted(in.Name) << ": " << Join(parts, ", ");
    const std::string unique = UniqueControlName(controls.Keys, index);
    if (unique != in.Name) std::cout << "; set as -s " << Quoted(unique + "=...");
    std::cout << "\n";
}

} // namespace

int RunList() {
    const std::vector<Registry*> entries = TheClassRegistry().Entries();
    std::vector<std::vector<std::string>> rows{{"Tool", "Class", "Class ID", "Description"}};
    for (const Registry* e : entries) {
        const char* description = e->Text(REG_Description);
        rows.push_back(
            {ToolName(*e), e->ClassName(), HexWord(e->ClassID()), description ? description : ""});
    }
    size_t widths[3] = {0, 0, 0};
    for (const auto& row : rows)
        for (size_t c = 0; c < 3; ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < 3; ++c)
            line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
        std::cout << line << row[3] << "\n";
    }
    return 0;
}

int RunInfo(const std::string& toolName) {
    Registry& entry = FindTool(toolName);
    std::cout << ToolName(entry) << " (" << entry.ClassName() << ")\n";
    for (const TagItem& item : entry.Tags()) {
        if (IsFunctionTag(item.tag)) continue;
        std::string name;
        const std::string value = TagValueLine(item, name);
        std::cout << "  " << name << ":"
                  << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') << value << "\n";
    }

    ToolPtr tool = CreateTool(entry);
    const ToolControls controls = ControlsOf(*tool);
    const auto& pages = tool->Pages();
    std::vector<std::string> pageNames;
    for (const std::string& page : pages) pageNames.push_back(Quoted(page));
    std::cout << "Pages: " << (pages.empty() ? "none" : Join(pageNames, ", ")) << "\n";

    // Controls under the page they are on; those declared before any page come first.
    for (int page = -1; page < int(pages.size()); ++page) {
        bool headed = false;
        for (size_t i = 0; i < controls.Inputs.size(); ++i) {
            const Input& in = *controls.Inputs[i];
            const int onPage = in.Page >= 0 && in.Page < int(pages.size()) ? in.Page : -1;
            if (onPage != page) continue;
            if (!headed) {
                std::cout << (page < 0 ? std::string("Controls:")
                                       : "Controls on page " + Quoted(pages[size_t(page)]) + ":")
                          << "\n";
                headed = true;
            }
            PrintControl(in, controls, i);
        }
    }
    if (controls.Inputs.empty()) std::cout << "Controls: none\n";

    std::cout << "Image inputs:\n";
    for (const auto& in : tool->Inputs()) {
        if (!in->IsImage()) continue;
        std::cout << "  " << Quoted(in->Name) << ": " << ImageLinkName(in->LinkId) << " ("
                  << HexWord(in->LinkId) << ")" << (in->Optional ? ", optional" : "") << "\n";
    }
    std::cout << "Output:\n";
    for (const auto& out : tool->Outputs())
        std::cout << "  " << Quoted(out->Name) << ": " << ImageLinkName(out->LinkId) << " ("
                  << HexWord(out->LinkId) << ")\n";
    return 0;
}
