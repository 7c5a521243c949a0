// SPDX-License-Identifier: Apache-2.0
#include "ControlLookup.h"

#include "Errors.h"
#include "Text.h"

#include <cctype>
#include <charconv>

namespace {

// Collects the controls an exact test accepts; when there are none, those the
// case-insensitive test accepts. One means found, several ambiguous.
template <class Exact, class Loose>
ControlMatch MatchBy(std::span<const ControlKey> controls, Exact exact, Loose loose) {
    ControlMatch match;
    for (size_t i = 0; i < controls.size(); ++i)
        if (exact(controls[i])) match.Candidates.push_back(i);
    if (match.Candidates.empty())
        for (size_t i = 0; i < controls.size(); ++i)
            if (loose(controls[i])) match.Candidates.push_back(i);
    if (match.Candidates.size() == 1) match.Index = match.Candidates.front();
    return match;
}

bool Decided(const ControlMatch& m) {
    return !m.Candidates.empty();
}

// "0x" followed by one to eight hex digits.
std::optional<uint32_t> HexLinkId(std::string_view name) {
    if (name.size() < 3 || name.size() > 10 || name[0] != '0' || (name[1] != 'x' && name[1] != 'X'))
        return std::nullopt;
    uint32_t value = 0;
    const char* first = name.data() + 2;
    const char* last = name.data() + name.size();
    auto [end, ec] = std::from_chars(first, last, value, 16);
    if (ec != std::errc() || end != last) return std::nullopt;
    return value;
}

std::string CodeText(uint32_t linkId) {
    char code[5];
    FourCCText(linkId, code);
    return code;
}

} // namespace

ControlMatch MatchControl(std::span<const ControlKey> controls, std::string_view name) {
    ControlMatch byLabel = MatchBy(
        controls, [&](const ControlKey& c) { return c.Label == name; },
        [&](const ControlKey& c) { return EqualsIgnoreCase(c.Label, name); });
    if (Decided(byLabel)) return byLabel;

    const size_t slash = name.rfind('/');
    if (slash != std::string_view::npos && slash > 0 && slash + 1 < name.size()) {
        const std::string_view qualifier = name.substr(0, slash), label = name.substr(slash + 1);
        ControlMatch qualified = MatchBy(
            controls,
            [&](const ControlKey& c) {
                return c.Label == label && (c.Page == qualifier || c.Group == qualifier);
            },
            [&](const ControlKey& c) {
                return EqualsIgnoreCase(c.Label, label) && (EqualsIgnoreCase(c.Page, qualifier) ||
                                                            EqualsIgnoreCase(c.Group, qualifier));
            });
        if (Decided(qualified)) return qualified;
    }

    if (name.size() == 4) {
        ControlMatch byCode = MatchBy(
            controls, [&](const ControlKey& c) { return CodeText(c.LinkId) == name; },
            [&](const ControlKey& c) { return EqualsIgnoreCase(CodeText(c.LinkId), name); });
        if (Decided(byCode)) return byCode;
    }
    if (const std::optional<uint32_t> id = HexLinkId(name)) {
        const auto same = [&](const ControlKey& c) { return c.LinkId == *id; };
        return MatchBy(controls, same, same);
    }
    return {};
}

std::string UniqueControlName(std::span<const ControlKey> controls, size_t index) {
    const ControlKey& c = controls[index];
    std::vector<std::string> names{c.Label};
    if (!c.Page.empty()) names.push_back(c.Page + "/" + c.Label);
    if (!c.Group.empty()) names.push_back(c.Group + "/" + c.Label);
    for (const std::string& name : names)
        if (MatchControl(controls, name).Index == index) return name;
    return LinkIdText(c.LinkId);
}

ToolControls ControlsOf(const Operator& tool) {
    ToolControls controls;
    for (const auto& input : tool.Inputs()) {
        if (input->IsImage()) continue;
        ControlKey key;
        key.Label = input->Name;
        if (input->Page >= 0 && size_t(input->Page) < tool.Pages().size())
            key.Page = tool.Pages()[size_t(input->Page)];
        key.Group = input->GroupLabel;
        key.LinkId = input->LinkId;
        controls.Keys.push_back(std::move(key));
        controls.Inputs.push_back(input.get());
    }
    return controls;
}

Input& FindControl(const Operator& tool, std::string_view name, const std::string& toolName) {
    const ToolControls controls = ControlsOf(tool);
    const ControlMatch match = MatchControl(controls.Keys, name);
    if (match.Index) return *controls.Inputs[*match.Index];

    std::vector<std::string> listed;
    const std::vector<size_t>& shown = match.Candidates;
    if (!shown.empty()) {
        for (size_t i : shown) listed.push_back(Quoted(UniqueControlName(controls.Keys, i)));
        throw UsageError(toolName + ": control " + Quoted(name) + " is ambiguous; name one of " +
                         Join(listed, ", "));
    }
    // Short lists are shown in full; long ones are left to "info".
    constexpr size_t kListedAtMost = 12;
    if (controls.Keys.empty())
        throw UsageError(toolName + ": no control " + Quoted(name) + " (the tool has none)");
    if (controls.Keys.size() > kListedAtMost)
        throw UsageError(toolName + ": no control " + Quoted(name) + " (see: vorlings info " +
                         toolName + ")");
    for (size_t i = 0; i < controls.Keys.size(); ++i)
        listed.push_back(Quoted(UniqueControlName(controls.Keys, i)));
    throw UsageError(toolName + ": no control " + Quoted(name) +
                     " (controls: " + Join(listed, ", ") + ")");
}
