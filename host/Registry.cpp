// SPDX-License-Identifier: Apache-2.0
#include "Registry.h"

#include "Operator.h"

#include <algorithm>

ClassRegistry& TheClassRegistry() {
    // Built on first use so that entries of a module loaded at any time find it alive.
    static ClassRegistry list;
    return list;
}

uint64_t RegInit(Registry*) {
    return 1;
}
void RegCleanup(Registry*) {}

void ClassRegistry::Join(Registry* entry) {
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
        observer = observer_;
    }
    if (observer) observer(*entry, true);
}

void ClassRegistry::Leave(Registry* entry) {
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        std::erase(entries_, entry);
        observer = observer_;
    }
    if (observer) observer(*entry, false);
}

std::vector<Registry*> ClassRegistry::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

Registry* ClassRegistry::FindByClassID(uint32_t classId) const {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Registry* e) { return e->ClassID() == classId; });
    return it == entries_.end() ? nullptr : *it;
}

void ClassRegistry::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

Registry::Registry(ClassRegistry* list, const char* className, const TagItem* tags)
    : list_(list), className_(className ? className : "") {
    for (const TagItem* t = tags; t && t->tag != 0; ++t) tags_.push_back(*t);
    if (auto init = reinterpret_cast<uint64_t (*)(Registry*)>(Value(REG_Init))) init(this);
    if (list_) list_->Join(this);
}

Registry::~Registry() {
    if (list_) list_->Leave(this);
    if (auto cleanup = reinterpret_cast<void (*)(Registry*)>(Value(REG_Cleanup))) cleanup(this);
}

const TagItem* Registry::Find(uint32_t tag) const {
    for (const TagItem& t : tags_)
        if (t.tag == tag) return &t;
    return nullptr;
}

uint64_t Registry::Value(uint32_t tag, uint64_t fallback) const {
    const TagItem* t = Find(tag);
    return t ? t->value : fallback;
}

const char* Registry::Text(uint32_t tag) const {
    const TagItem* t = Find(tag);
    return t ? TagValueText(*t) : nullptr;
}

Operator* Registry::Create(CArchive* archive, const TagItem* tags) {
    FactoryFn factory = Factory();
    static const TagItem none[] = {TagEnd()};
    return factory ? factory(this, archive, tags ? tags : none) : nullptr;
}
