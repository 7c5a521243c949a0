// SPDX-License-Identifier: Apache-2.0
// Small text helpers shared by the commands: case-insensitive comparison, trimming,
// quoting and joining for messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// ASCII case-insensitive equality.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// `text` without leading and trailing blanks.
std::string_view Trim(std::string_view text);

/// `text` in double quotes, as messages show names.
std::string Quoted(std::string_view text);

/// The items joined by `separator`.
std::string Join(const std::vector<std::string>& items, std::string_view separator);

/// "0x8001006A".
std::string HexWord(uint32_t value);

/// A link id as its four characters when they are all printable ("XRad"), else as hex.
std::string LinkIdText(uint32_t linkId);

/// A number without needless digits: "0.004", "1", "1e-06"; round-trips to the same double.
std::string NumberText(double value);

/// Parses a whole decimal floating-point text (blanks around it allowed); false when the
/// text is not one finite number.
bool ParseNumber(std::string_view text, double& value);

/// Message text on one line: line breaks become "; " and trailing blanks go.
std::string OneLine(std::string_view text);
