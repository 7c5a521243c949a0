// Loads the tool module as a host does, checks what it registers, and unloads it.
#include "host/Operator.h"
#include "host/Registry.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

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
    const std::vector<std::string> expected = {"CleanPlugIn"};
    EXPECT_EQ(ClassNames(), expected);
    EXPECT_EQ(joined, expected);

    Registry* clean = TheClassRegistry().FindByClassID(0x8001006A);
    ASSERT_NE(clean, nullptr);
    EXPECT_STREQ(clean->Text(REG_DisplayName), "Clean");
    EXPECT_EQ(clean->Value(REG_Bitmap), 110u);

    // The tile travels with the module: a 116 x 87, 24-bit bitmap.
    const auto tile = FindResource(110);
    ASSERT_GE(tile.size(), 54u);
    EXPECT_EQ(tile[0], 'B');
    EXPECT_EQ(tile[1], 'M');
    EXPECT_EQ(tile[18] | tile[19] << 8, 116);
    EXPECT_EQ(tile[22] | tile[23] << 8, 87);
    EXPECT_EQ(tile[28], 24);

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
