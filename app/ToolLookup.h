// SPDX-License-Identifier: Apache-2.0
// Finding a registered tool by the name a user types, and making its objects.
#pragma once

#include "host/Operator.h"
#include "host/Registry.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// Tool objects are the host's to delete; their destructor is virtual.
using ToolPtr = std::unique_ptr<Operator>;

/// The entry whose display name or class name is `name`, in any case; throws a
/// CommandError (exit 2) listing the tools when none is.
Registry& FindTool(std::string_view name);

/// The display name of an entry (its class name when it has none), for messages.
std::string ToolName(const Registry& entry);

/// A new object of the entry's class with its declared defaults; throws when the factory
/// fails.
ToolPtr CreateTool(Registry& entry);

/// The tool's image inputs, in declaration order.
std::vector<const Input*> ImageInputsOf(const Operator& tool);

/// The image input labelled `name` (exact, else a unique case-insensitive match), or null.
const Input* ImageInputNamed(const std::vector<const Input*>& inputs, std::string_view name);

/// The inputs' labels for a message: "\"Lightmap\", \"Background(optional)\"", or "none".
std::string InputList(const std::vector<const Input*>& inputs);
