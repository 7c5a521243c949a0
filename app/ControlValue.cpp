// SPDX-License-Identifier: Apache-2.0
#include "ControlValue.h"

#include "ControlLookup.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include <array>

namespace {

bool ParseSwitch(std::string_view text, double& value) {
    static constexpr std::array<std::string_view, 4> on{"on", "true", "yes", "enabled"};
    static constexpr std::array<std::string_view, 4> off{"off", "false", "no", "disabled"};
    text = Trim(text);
    for (std::string_view word : on) {
        if (!EqualsIgnoreCase(text, word)) continue;
        value = 1.0;
        return true;
    }
    for (std::string_view word : off) {
        if (!EqualsIgnoreCase(text, word)) continue;
        value = 0.0;
        return true;
    }
    return false;
}

// Entry text, exact or else in any case when only one entry matches.
bool ParseEntry(const Input& input, std::string_view text, double& value) {
    text = Trim(text);
    for (size_t i = 0; i < input.Entries.size(); ++i) {
        if (input.Entries[i] != text) continue;
        value = double(i);
        return true;
    }
    int found = -1, count = 0;
    for (size_t i = 0; i < input.Entries.size(); ++i) {
        if (!EqualsIgnoreCase(input.Entries[i], text)) continue;
        found = int(i);
        ++count;
    }
    if (count != 1) return false;
    value = double(found);
    return true;
}

std::string EntryList(const Input& input) {
    std::vector<std::string> entries;
    for (size_t i = 0; i < input.Entries.size(); ++i)
        entries.push_back(std::to_string(i) + " " + Quoted(input.Entries[i]));
    return Join(entries, ", ");
}

} // namespace

bool ParseControlValue(const Input& input, std::string_view text, ControlValue& value,
                       std::string& problem) {
    if (input.IsPoint()) {
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos || !ParseNumber(text.substr(0, comma), value.X) ||
            !ParseNumber(text.substr(comma + 1), value.Y)) {
            problem = "takes a point X,Y (two numbers), not " + Quoted(text);
            return false;
        }
        return true;
    }
    if (input.ControlKind == KIND_Combo) {
        if (ParseEntry(input, text, value.Number) || ParseNumber(text, value.Number)) return true;
        problem = "has no entry " + Quoted(text) + " (entries: " + EntryList(input) + ")";
        return false;
    }
    if (ParseNumber(text, value.Number)) return true;
    if (input.ControlKind == KIND_Check && ParseSwitch(text, value.Number)) return true;
    problem = "takes a number, not " + Quoted(text);
    return false;
}

std::string OutOfRange(const Input& input, const ControlValue& value) {
    if (input.IsPoint() || input.IsImage()) return "";
    double lower = 0.0, upper = 0.0;
    if (input.ControlKind == KIND_Combo && !input.Entries.empty()) {
        upper = double(input.Entries.size() - 1);
    } else if (input.ControlKind == KIND_Check) {
        upper = 1.0;
    } else if (input.Lower && input.Upper) {
        lower = *input.Lower;
        upper = *input.Upper;
    } else if (input.Lower) {
        if (value.Number < *input.Lower) return "lies below " + NumberText(*input.Lower);
        return "";
    } else if (input.Upper) {
        if (value.Number > *input.Upper) return "lies above " + NumberText(*input.Upper);
        return "";
    } else {
        return "";
    }
    if (value.Number >= lower && value.Number <= upper) return "";
    return "lies outside " + NumberText(lower) + " to " + NumberText(upper);
}

void ApplyControlValue(Input& input, const ControlValue& value) {
    if (input.IsPoint()) {
        input.PointValue.X = value.X;
        input.PointValue.Y = value.Y;
    } else {
        input.NumberValue.Value = value.Number;
    }
}

std::string CurrentValueText(const Input& input) {
    if (input.IsPoint())
        return NumberText(input.PointValue.X) + "," + NumberText(input.PointValue.Y);
    return NumberText(input.NumberValue.Value);
}

void ApplySetting(Operator& tool, std::string_view assignment, const std::string& toolName) {
    const size_t equals = assignment.find('=');
    if (equals == std::string_view::npos || equals == 0)
        throw UsageError(toolName + ": -s " + Quoted(assignment) + " is not NAME=VALUE");
    const std::string_view name = Trim(assignment.substr(0, equals));
    const std::string_view text = assignment.substr(equals + 1);
    ApplyControlText(FindControl(tool, name, toolName), text, toolName);
}

void ApplyControlText(Input& input, std::string_view text, const std::string& toolName) {
    ControlValue value;
    std::string problem;
    if (!ParseControlValue(input, text, value, problem))
        throw UsageError(toolName + ": control " + Quoted(input.Name) + " " + problem);
    if (const std::string range = OutOfRange(input, value); !range.empty())
        Warn(toolName + ": " + Quoted(input.Name) + " = " + std::string(Trim(text)) + " " + range +
             "; passed on unchanged");
    ApplyControlValue(input, value);
}
