// SPDX-License-Identifier: Apache-2.0
// Turning the text of "-s NAME=VALUE" into a control's value. A number control takes any
// finite number, a point "X,Y", a combo box its entry text or any number, a check box a
// number or on/off. Bounds are soft, as on a compositor's slider: a value outside them
// reaches the tool unchanged and only draws a warning.
#pragma once

#include "host/Operator.h"

#include <string>
#include <string_view>

struct ControlValue {
    double Number = 0.0; ///< number, check box state or combo entry index
    double X = 0.0;      ///< a point's X and Y, fractions of width and height
    double Y = 0.0;
};

/// Parses `text` for `input`. On failure returns false and sets `problem` to why
/// ("is not a number", "has no entry ...").
bool ParseControlValue(const Input& input, std::string_view text, ControlValue& value,
                       std::string& problem);

/// Why the value lies outside the control's declared range ("lies outside 0 to 0.01"), or
/// "" when it lies inside (or the control declares none).
std::string OutOfRange(const Input& input, const ControlValue& value);

/// Stores the value as the control's current value.
void ApplyControlValue(Input& input, const ControlValue& value);

/// The control's current value as a user would type it back.
std::string CurrentValueText(const Input& input);

/// Applies `text` to the control `input` of the tool: parses, warns when out of range. Throws a
/// CommandError (exit 2) naming the tool and control when the text is no value for it.
void ApplyControlText(Input& input, std::string_view text, const std::string& toolName);

/// Applies one "NAME=VALUE" to the tool: finds the control, parses, warns when out of range.
/// Throws a CommandError (exit 2) naming the tool and control when it cannot.
void ApplySetting(Operator& tool, std::string_view assignment, const std::string& toolName);
