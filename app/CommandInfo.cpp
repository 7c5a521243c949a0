// SPDX-License-Identifier: Apache-2.0
// "list" and "info": what the registry and a fresh tool object declare. Each command builds
// one document and shows it as text or, with --json, as JSON, so that both forms say the same.
#include "Commands.h"

#include "ControlLookup.h"
#include "ControlValue.h"
#include "Text.h"
#include "ToolLookup.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>

using Json = nlohmann::ordered_json;

namespace {

struct TagName {
    uint32_t Tag;
    const char* Key;   ///< in the JSON form
    const char* Label; ///< in the text form
    bool IsText;
};

// The entry tags a listing shows, with how to read their values. The factory and the two
// host hooks are functions, not values, and are left out.
constexpr TagName kEntryTags[] = {
    {REG_ClassID, "classId", "Class ID", false},
    {REG_Flags, "flags", "Flags", false},
    {REG_Bitmap, "bitmap", "Bitmap", false},
    {REG_ShortName, "shortName", "Short name", true},
    {REG_Description, "description", "Description", true},
    {REG_DisplayName, "displayName", "Display name", true},
    {REG_HelpTopic, "helpTopic", "Help topic", true},
    {REG_TimeSampled, "timeSampled", "Time sampled", false},
    {REG_Category, "category", "Category", true},
    {REG_Company, "company", "Company", true},
    {REG_WebAddress, "webAddress", "Web address", true},
    {REG_VersionText, "versionText", "Version text", true},
    {REG_VersionNumber, "version", "Version", false},
};

bool IsFunctionTag(uint32_t tag) {
    return tag == REG_Factory || tag == REG_Init || tag == REG_Cleanup;
}

const TagName* KnownEntryTag(uint32_t tag) {
    for (const TagName& known : kEntryTags)
        if (known.Tag == tag) return &known;
    return nullptr;
}

// An undeclared tag's value: a double for size class 2, else the word as a number.
Json TagValue(const TagItem& item) {
    if (TagSizeClass(item.tag) == 2) return TagValueDouble(item);
    return item.value;
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

std::string ImageLinkName(uint32_t linkId) {
    if (linkId == LINK_FirstImage) return "first image input";
    if (linkId == LINK_SecondImage) return "second image input";
    if (linkId == LINK_ImageOutput) return "image output";
    return "image";
}

// ---- The documents ----

Json EntryDocument(const Registry& entry) {
    Json doc = Json::object();
    for (const TagItem& item : entry.Tags()) {
        if (IsFunctionTag(item.tag)) continue;
        if (const TagName* known = KnownEntryTag(item.tag)) {
            if (known->IsText) {
                const char* text = TagValueText(item);
                doc[known->Key] = text ? text : "";
            } else if (item.tag == REG_ClassID) {
                doc[known->Key] = HexWord(uint32_t(item.value));
            } else {
                doc[known->Key] = item.value;
            }
        } else {
            doc[HexWord(item.tag)] = TagValue(item);
        }
    }
    return doc;
}

Json ControlDocument(const Input& in, const ToolControls& controls, size_t index,
                     const std::vector<std::string>& pages) {
    Json doc = Json::object();
    doc["name"] = in.Name;
    if (in.Page >= 0 && in.Page < int(pages.size()))
        doc["page"] = pages[size_t(in.Page)];
    else
        doc["page"] = nullptr;
    doc["kind"] = KindName(in);
    doc["linkId"] = LinkIdText(in.LinkId);
    doc["linkIdHex"] = HexWord(in.LinkId);
    if (in.PreviewKind) doc["preview"] = PreviewName(in.PreviewKind);
    if (in.Lower) doc["lower"] = *in.Lower;
    if (in.Upper) doc["upper"] = *in.Upper;
    if (in.IsPoint())
        doc["default"] = {in.PointValue.X, in.PointValue.Y};
    else
        doc["default"] = in.NumberValue.Value;
    doc["defaultDeclared"] =
        in.IsPoint() ? in.DefaultX || in.DefaultY : in.Default || in.CheckDefault;
    if (!in.Entries.empty()) doc["entries"] = in.Entries;
    if (!in.GroupLabel.empty() || in.GroupNumber || in.GroupIndex) {
        Json group = Json::object();
        if (!in.GroupLabel.empty()) group["label"] = in.GroupLabel;
        if (in.GroupNumber) group["number"] = *in.GroupNumber;
        if (in.GroupIndex) group["index"] = *in.GroupIndex;
        doc["group"] = group;
    }
    if (in.TiedTo) doc["tiedTo"] = in.TiedTo->Name;
    if (!in.ExtraTags.empty()) {
        Json tags = Json::array();
        for (const TagItem& t : in.ExtraTags)
            tags.push_back({{"tag", HexWord(t.tag)},
                            {"value", TagSizeClass(t.tag) == 2 ? Json(TagValueDouble(t))
                                                               : Json(int64_t(t.value))}});
        doc["tags"] = tags;
    }
    const std::string unique = UniqueControlName(controls.Keys, index);
    if (unique != in.Name) doc["setAs"] = unique;
    return doc;
}

Json ImageLinkDocument(const std::string& name, uint32_t linkId) {
    return {{"name", name}, {"link", ImageLinkName(linkId)}, {"linkId", HexWord(linkId)}};
}

Json ListDocument() {
    Json tools = Json::array();
    for (const Registry* e : TheClassRegistry().Entries()) {
        const char* description = e->Text(REG_Description);
        tools.push_back({{"tool", ToolName(*e)},
                         {"class", e->ClassName()},
                         {"classId", HexWord(e->ClassID())},
                         {"description", description ? description : ""}});
    }
    return {{"tools", tools}};
}

Json InfoDocument(Registry& entry) {
    Json doc = Json::object();
    doc["tool"] = ToolName(entry);
    doc["class"] = entry.ClassName();
    doc["entry"] = EntryDocument(entry);

    ToolPtr tool = CreateTool(entry);
    const ToolControls controls = ControlsOf(*tool);
    doc["pages"] = tool->Pages();
    Json controlDocs = Json::array();
    for (size_t i = 0; i < controls.Inputs.size(); ++i)
        controlDocs.push_back(ControlDocument(*controls.Inputs[i], controls, i, tool->Pages()));
    doc["controls"] = controlDocs;

    Json inputs = Json::array();
    for (const auto& in : tool->Inputs()) {
        if (!in->IsImage()) continue;
        Json input = ImageLinkDocument(in->Name, in->LinkId);
        input["optional"] = in->Optional;
        inputs.push_back(input);
    }
    doc["inputs"] = inputs;
    Json outputs = Json::array();
    for (const auto& out : tool->Outputs())
        outputs.push_back(ImageLinkDocument(out->Name, out->LinkId));
    doc["outputs"] = outputs;
    return doc;
}

// ---- The text form ----

std::string NumberOf(const Json& value) {
    if (value.is_number_float()) return NumberText(value.get<double>());
    if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
    return std::to_string(value.get<int64_t>());
}

std::string EntryValueText(const std::string& key, const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    const bool known = std::any_of(std::begin(kEntryTags), std::end(kEntryTags),
                                   [&](const TagName& t) { return key == t.Key; });
    // An undeclared tag's word is shown in hex too.
    if (!known && value.is_number_unsigned())
        return NumberOf(value) + " (" + HexWord(uint32_t(value.get<uint64_t>())) + ")";
    return NumberOf(value);
}

std::string LabelOf(const std::string& key) {
    for (const TagName& known : kEntryTags)
        if (key == known.Key) return known.Label;
    return "Tag " + key;
}

std::string ControlLine(const Json& c) {
    std::vector<std::string> parts{c["kind"].get<std::string>()};
    const std::string link = c["linkId"], hex = c["linkIdHex"];
    parts.push_back("link " + (link == hex ? hex : link + " (" + hex + ")"));
    if (c.contains("preview")) parts.push_back("preview " + c["preview"].get<std::string>());
    if (c.contains("lower") && c.contains("upper"))
        parts.push_back("range " + NumberOf(c["lower"]) + " to " + NumberOf(c["upper"]));
    else if (c.contains("lower"))
        parts.push_back("lower bound " + NumberOf(c["lower"]));
    else if (c.contains("upper"))
        parts.push_back("upper bound " + NumberOf(c["upper"]));
    const Json& value = c["default"];
    parts.push_back(
        "default " +
        (value.is_array() ? NumberOf(value[0]) + "," + NumberOf(value[1]) : NumberOf(value)) +
        (c["defaultDeclared"].get<bool>() ? "" : " (none declared)"));
    if (c.contains("entries")) {
        std::vector<std::string> entries;
        for (size_t i = 0; i < c["entries"].size(); ++i)
            entries.push_back(std::to_string(i) + " " + Quoted(c["entries"][i].get<std::string>()));
        parts.push_back("entries " + Join(entries, ", "));
    }
    if (c.contains("group")) {
        const Json& g = c["group"];
        std::string group = "group";
        if (g.contains("label")) group += " " + Quoted(g["label"].get<std::string>());
        if (g.contains("number")) group += " number " + NumberOf(g["number"]);
        if (g.contains("index")) group += " index " + NumberOf(g["index"]);
        parts.push_back(group);
    }
    if (c.contains("tiedTo")) parts.push_back("tied to " + Quoted(c["tiedTo"].get<std::string>()));
    if (c.contains("tags"))
        for (const Json& t : c["tags"])
            parts.push_back("tag " + t["tag"].get<std::string>() + " = " + NumberOf(t["value"]));
    std::string line = "  " + Quoted(c["name"].get<std::string>()) + ": " + Join(parts, ", ");
    if (c.contains("setAs"))
        line += "; set as -s " + Quoted(c["setAs"].get<std::string>() + "=...");
    return line;
}

void PrintListText(const Json& doc) {
    std::vector<std::vector<std::string>> rows{{"Tool", "Class", "Class ID", "Description"}};
    for (const Json& t : doc["tools"])
        rows.push_back({t["tool"], t["class"], t["classId"], t["description"]});
    size_t widths[3] = {0, 0, 0};
    for (const auto& row : rows)
        for (size_t c = 0; c < 3; ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < 3; ++c)
            line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
        std::cout << line << row[3] << "\n";
    }
}

void PrintInfoText(const Json& doc) {
    std::cout << doc["tool"].get<std::string>() << " (" << doc["class"].get<std::string>() << ")\n";
    for (const auto& [key, value] : doc["entry"].items()) {
        const std::string label = LabelOf(key);
        std::cout << "  " << label << ":"
                  << std::string(label.size() < 14 ? 14 - label.size() : 1, ' ')
                  << EntryValueText(key, value) << "\n";
    }

    const std::vector<std::string> pages = doc["pages"];
    std::vector<std::string> pageNames;
    for (const std::string& page : pages) pageNames.push_back(Quoted(page));
    std::cout << "Pages: " << (pages.empty() ? "none" : Join(pageNames, ", ")) << "\n";

    // Controls under the page they are on; those on no page come first.
    const Json& controls = doc["controls"];
    std::vector<const std::string*> shown;
    for (int page = -1; page < int(pages.size()); ++page) {
        const std::string* name = page < 0 ? nullptr : &pages[size_t(page)];
        if (name && std::any_of(shown.begin(), shown.end(), [&](auto* s) { return *s == *name; }))
            continue; // a page name given twice holds the controls of both
        if (name) shown.push_back(name);
        bool headed = false;
        for (const Json& c : controls) {
            if (name ? c["page"] != *name : !c["page"].is_null()) continue;
            if (!headed) {
                std::cout << (name ? "Controls on page " + Quoted(*name) + ":" : "Controls:")
                          << "\n";
                headed = true;
            }
            std::cout << ControlLine(c) << "\n";
        }
    }
    if (controls.empty()) std::cout << "Controls: none\n";

    std::cout << "Image inputs:\n";
    for (const Json& in : doc["inputs"])
        std::cout << "  " << Quoted(in["name"].get<std::string>()) << ": "
                  << in["link"].get<std::string>() << " (" << in["linkId"].get<std::string>() << ")"
                  << (in["optional"].get<bool>() ? ", optional" : "") << "\n";
    std::cout << "Output:\n";
    for (const Json& out : doc["outputs"])
        std::cout << "  " << Quoted(out["name"].get<std::string>()) << ": "
                  << out["link"].get<std::string>() << " (" << out["linkId"].get<std::string>()
                  << ")\n";
}

// Texts come from the module; bytes that are not UTF-8 are replaced rather than refused.
std::string JsonText(const Json& doc) {
    return doc.dump(2, ' ', false, Json::error_handler_t::replace);
}

void PrintJson(const Json& doc) {
    std::cout << JsonText(doc) << "\n";
}

} // namespace

std::string ListJson() {
    return JsonText(ListDocument());
}

std::string InfoJson(const std::string& toolName) {
    return JsonText(InfoDocument(FindTool(toolName)));
}

int RunList(bool json) {
    const Json doc = ListDocument();
    if (json)
        PrintJson(doc);
    else
        PrintListText(doc);
    return 0;
}

int RunInfo(const std::string& toolName, bool json) {
    const Json doc = InfoDocument(FindTool(toolName));
    if (json)
        PrintJson(doc);
    else
        PrintInfoText(doc);
    return 0;
}
