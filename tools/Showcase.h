// SPDX-License-Identifier: Apache-2.0
// Control values that show what each tool does: the demo renders every tool with its row, and
// the conformance tests render every tool with it too, so the settings users first see are
// the ones the tests hold to their promises.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlings {

struct ToolShowcase {
    const char* ClassName;
    /// "Label=Value" settings, as given to "vorlings render -s".
    std::vector<std::string> Settings;
};

/// One row per tool, or several for a tool whose settings show different pictures (FlareSpot's
/// lenses); a tool without one renders with its declared defaults.
const std::vector<ToolShowcase>& Showcases();
/// The first row of the tool with class name `className`, or null.
const ToolShowcase* ShowcaseFor(std::string_view className);
/// Every row of the tool with class name `className`, in table order.
std::vector<const ToolShowcase*> ShowcasesFor(std::string_view className);

} // namespace vorlings
