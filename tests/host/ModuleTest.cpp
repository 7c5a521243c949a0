// SPDX-License-Identifier: Apache-2.0
// Loads the tool module as a host does, checks what it registers, and unloads it.
#include "host/Operator.h"
#include "host/Registry.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ClassNames() {
    std::vector<std::string> names;
    for (const Registry* e : TheClassRegistry().Entries()) names.push_back(e->ClassName());
    return names;
}

} // namespace

TEST(Module, RegistersInOrderAndLeavesInReverseOnUnload) {
    std::vector<std::string> joined, left;
    TheClassRegistry().SetObserver(
        [&](const Registry& e, bool join) { (join ? joined : left).push_back(e.ClassName()); });
    ASSERT_TRUE(ClassNames().empty());

    void* module = dlopen(MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    // The tools join in their fixed order, whichever of them the module holds.
    const std::vector<std::string> fixedOrder = {
        "CleanPlugIn", "CrashZoomPlugIn", "DBlurPlugIn",  "DefocusPlugIn", "DitherPlugIn",
        "FlarePlugIn", "FlareSpotPlugIn", "MoBlurPlugIn", "SharpenPlugIn", "TracePlugIn"};
    const std::vector<std::string> expected = ClassNames();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(joined, expected);
    std::vector<size_t> places;
    for (const std::string& name : expected) {
        const auto at = std::find(fixedOrder.begin(), fixedOrder.end(), name);
        ASSERT_NE(at, fixedOrder.end()) << name;
        places.push_back(size_t(at - fixedOrder.begin()));
    }
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end()));

    Registry* clean = TheClassRegistry().FindByClassID(0x8001006A);
    ASSERT_NE(clean, nullptr);
    EXPECT_STREQ(clean->Text(REG_DisplayName), "Clean");
    EXPECT_EQ(clean->Value(REG_Bitmap), 110u);

    // The tiles travel with the module (their form is checked with every entry's tags).
    EXPECT_FALSE(FindResource(110).empty());

    // A tool made through the factory lives and dies before the module goes.
    {
        std::unique_ptr<Operator> tool(clean->Create());
        ASSERT_TRUE(tool);
    }

    ASSERT_EQ(dlclose(module), 0);
    EXPECT_TRUE(ClassNames().empty());
    std::vector<std::string> reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(left, reversed);
    EXPECT_TRUE(FindResource(110).empty());
    TheClassRegistry().SetObserver(nullptr);
}
