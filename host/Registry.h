// SPDX-License-Identifier: Apache-2.0
// The host's class registry: every tool class joins it through one static Registry entry.
#pragma once

#include "TagList.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CArchive;
class Operator;
class Registry;

/// A tool's factory: (entry, archive or null for a new object, tags) -> object or null.
using FactoryFn = Operator* (*)(Registry*, CArchive*, const TagItem*);

/// The list of registered classes, in the order they joined.
class ClassRegistry {
public:
    void Join(Registry* entry);
    void Leave(Registry* entry);

    /// A snapshot of the entries in registration order.
    std::vector<Registry*> Entries() const;
    Registry* FindByClassID(uint32_t classId) const;

    /// Called with each entry as it joins or leaves (tests and tools listing the registry).
    using Observer = std::function<void(const Registry&, bool joined)>;
    void SetObserver(Observer observer);

private:
    mutable std::mutex mutex_;
    std::vector<Registry*> entries_;
    Observer observer_;
};

/// The host's one class list, which every entry joins.
ClassRegistry& TheClassRegistry();

/// The host's own initialise and clean-up hooks, named by every entry's tag list.
uint64_t RegInit(Registry* entry);
void RegCleanup(Registry* entry);

/// One registered class: its name and a copy of its tag list (texts stay owned by the module
/// that registered it, which outlives the entry).
class Registry {
public:
    Registry(ClassRegistry* list, const char* className, const TagItem* tags);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const std::string& ClassName() const { return className_; }
    const std::vector<TagItem>& Tags() const { return tags_; }

    const TagItem* Find(uint32_t tag) const;
    uint64_t Value(uint32_t tag, uint64_t fallback = 0) const;
    const char* Text(uint32_t tag) const;

    uint32_t ClassID() const { return uint32_t(Value(REG_ClassID)); }
    FactoryFn Factory() const { return reinterpret_cast<FactoryFn>(Value(REG_Factory)); }

    /// A new object of this class (archive null) or one loaded from `archive`, positioned
    /// after the class ID. Null when the factory fails.
    Operator* Create(CArchive* archive = nullptr, const TagItem* tags = nullptr);

private:
    ClassRegistry* list_;
    std::string className_;
    std::vector<TagItem> tags_;
};
