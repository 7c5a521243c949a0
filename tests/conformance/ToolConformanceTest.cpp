// SPDX-License-Identifier: Apache-2.0
// Promises every tool keeps, checked on every entry the module registers: a tool is covered
// the day its entry is added. Each renders the demo scene with its showcase settings (the
// demo's), so the settings users first see are the ones held to these promises.
#include "support/TestImages.h"

#include "ControlValue.h"
#include "DemoImages.h"
#include "Showcase.h"
#include "host/Operator.h"
#include "host/Registry.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace {

/// Tools whose output depends on the clock or on the order in which the worker threads run,
/// by their definition, with the reason; they are exempt from the identical-output checks,
/// and their own tests check their rules instead.
const std::map<std::string, const char*> kScheduleDependent = {
    {"DitherPlugIn", "each render seeds its random table with the time in seconds, and each row "
                     "draws its start in the table from the one generator on whichever worker "
                     "thread runs it"},
};

/// Tools whose output depends on the number of chunks by their definition, with the reason:
/// exempt from comparing renders with different chunk counts only; renders with the same
/// count must still agree, and renders with different counts may differ in a few pixels only.
const std::map<std::string, const char*> kChunkDependent = {
    {"FlareSpotPlugIn",
     "each chunk clips every spot to its band of rows and fans the clipped polygon from its own "
     "centroid; with Edge Boost a sample's ridge is measured from its fan triangle's outer edge, "
     "so near a spot's corners the boost depends on where the bands were cut, and a sample "
     "within float rounding of a fan edge may fall on either side"},
    {"MoBlurPlugIn", "a chunk skips a pixel whose smear path, from its row to its end point's "
                     "row, does not meet the chunk's rows, so the share of a splat that ends "
                     "just above a chunk's first row is dropped; horizontal motion is exact"},
};

Registry& EntryOf(const std::string& className) {
    for (Registry* entry : TheClassRegistry().Entries())
        if (entry->ClassName() == className) return *entry;
    throw std::runtime_error("no entry " + className);
}

std::vector<std::string> RegisteredClassNames() {
    std::vector<std::string> names;
    for (const Registry* entry : TheClassRegistry().Entries()) names.push_back(entry->ClassName());
    return names;
}

/// Restarts the host's generator, so that a tool drawing from it without seeding it (Flare's
/// dark fringes, glow texture and streak table) draws the same numbers in the renders compared.
void SameRandomDraws() {
    crt::srand(1);
}

/// A new tool of `entry` with its showcase settings applied.
std::unique_ptr<Operator> ShowcaseTool(Registry& entry) {
    std::unique_ptr<Operator> tool(entry.Create());
    if (const vorlings::ToolShowcase* row = vorlings::ShowcaseFor(entry.ClassName()))
        for (const std::string& setting : row->Settings)
            ApplySetting(*tool, setting, entry.ClassName());
    return tool;
}

/// The demo scene at `width` x `height` in `kind`.
std::shared_ptr<Image> Scene(int32_t width, int32_t height, ImageKind kind, int64_t frame = 0) {
    std::unique_ptr<Image> words = MakeDemoImage(width, height, frame);
    std::shared_ptr<Image> image = Image::Create(kind, width, height);
    words->ImageCopy(image.get());
    return image;
}

/// Renders `tool` on `picture`: every mandatory image input gets the picture of the frame it
/// asks for (the scene moves from frame to frame); optional inputs get nothing.
std::unique_ptr<Image> RenderScene(Operator& tool, const std::shared_ptr<Image>& picture) {
    Request request(0.0);
    return RenderRequest(tool, request, [&](const Input& in, int, double time) {
        if (in.Optional) return std::shared_ptr<Image>();
        if (time == 0.0) return picture;
        return Scene(picture->Width, picture->Height, picture->Kind, int64_t(time));
    });
}

std::vector<uint8_t> SavedBytes(Operator& tool) {
    std::vector<uint8_t> bytes;
    CArchive archive(bytes, CArchive::store);
    EXPECT_EQ(tool.Save(&archive, nullptr) & 1, 1u);
    return bytes;
}

/// Loads a saved tool as a host does: the class ID picks the entry, whose factory reads the
/// rest.
std::unique_ptr<Operator> LoadTool(CArchive& archive) {
    uint32_t classId = 0;
    archive >> classId;
    Registry* entry = TheClassRegistry().FindByClassID(classId);
    return std::unique_ptr<Operator>(entry ? entry->Create(&archive) : nullptr);
}

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(bytes[at + size_t(i)]) << (8 * i);
    return v;
}

int32_t DifferingPixels(const Image& a, const Image& b) {
    int32_t count = 0;
    for (int32_t y = 0; y < a.Height; ++y)
        for (int32_t x = 0; x < a.Width; ++x) {
            const Pixel p = test::At(a, x, y), q = test::At(b, x, y);
            count += !std::equal(std::begin(p.Word), std::end(p.Word), std::begin(q.Word));
        }
    return count;
}

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

class ToolConformance : public ::testing::TestWithParam<std::string> {
protected:
    Registry& Entry() const { return EntryOf(GetParam()); }
    /// Whether the tool is exempt from comparing two renders' pixels.
    bool ScheduleDependent() const { return kScheduleDependent.count(GetParam()) != 0; }
    /// Whether the tool is exempt from comparing renders made with different chunk counts.
    bool ChunkDependent() const {
        return ScheduleDependent() || kChunkDependent.count(GetParam()) != 0;
    }
};

TEST_P(ToolConformance, EntryCarriesEveryTagInTheFixedOrder) {
    const Registry& entry = Entry();
    std::vector<uint32_t> order;
    for (const TagItem& t : entry.Tags()) order.push_back(t.tag);
    std::vector<uint32_t> expected = {
        REG_Init,     REG_Cleanup,   REG_Factory,     REG_ClassID,     REG_Flags,
        REG_Bitmap,   REG_ShortName, REG_Description, REG_DisplayName, REG_HelpTopic,
        REG_Category, REG_Company,   REG_WebAddress,  REG_VersionText, REG_VersionNumber};
    // A tool reading two frames carries its flag just before the category.
    if (entry.Find(REG_TimeSampled)) {
        expected.insert(expected.begin() + 10, REG_TimeSampled);
        EXPECT_EQ(entry.Value(REG_TimeSampled), 1u);
    }
    EXPECT_EQ(order, expected);

    EXPECT_EQ(entry.Value(REG_Init), uint64_t(reinterpret_cast<uintptr_t>(&RegInit)));
    EXPECT_EQ(entry.Value(REG_Cleanup), uint64_t(reinterpret_cast<uintptr_t>(&RegCleanup)));
    EXPECT_NE(entry.Factory(), nullptr);
    EXPECT_EQ(entry.Value(REG_Flags), 3u);
    EXPECT_STREQ(entry.Text(REG_Category), "Tharn Vorlings\\Box 1");
    EXPECT_STREQ(entry.Text(REG_Company), "Tharn Solutions Ltd.");
    EXPECT_STREQ(entry.Text(REG_VersionText), "v2.50, built Jan 21 2000");
    EXPECT_EQ(entry.Value(REG_VersionNumber), 250u);
    // Class, display name and help topic follow one naming rule.
    const std::string display = entry.Text(REG_DisplayName);
    EXPECT_EQ(entry.ClassName(), display + "PlugIn");
    EXPECT_EQ(entry.Text(REG_HelpTopic), "TharnVorlings.chm::/html/" + Lower(display) + ".htm");
    EXPECT_NE(std::strlen(entry.Text(REG_ShortName)), 0u);
    EXPECT_NE(std::strlen(entry.Text(REG_Description)), 0u);

    // The tile travels with the entry: a 116 x 87, 24-bit bitmap under the entry's id.
    const std::span<const uint8_t> tile = FindResource(int(entry.Value(REG_Bitmap)));
    ASSERT_GE(tile.size(), 54u + 116u * 87u * 3u);
    EXPECT_EQ(tile[0], 'B');
    EXPECT_EQ(tile[1], 'M');
    EXPECT_EQ(tile[18] | tile[19] << 8, 116);
    EXPECT_EQ(tile[22] | tile[23] << 8, 87);
    EXPECT_EQ(tile[28], 24);
}

TEST_P(ToolConformance, SaveLoadAndSaveAgainGiveTheSameBytes) {
    Registry& entry = Entry();
    std::unique_ptr<Operator> tool = ShowcaseTool(entry);
    EXPECT_EQ(tool->OperatorAttributes[0], 2);
    EXPECT_EQ(tool->OperatorAttributes[1], 0);
    std::vector<uint8_t> bytes = SavedBytes(*tool);
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(WordAt(bytes, 0), entry.ClassID());
    EXPECT_EQ(WordAt(bytes, bytes.size() - 8), 0u);
    EXPECT_EQ(WordAt(bytes, bytes.size() - 4), SAVE_EndMarker);

    CArchive in(bytes, CArchive::load);
    std::unique_ptr<Operator> loaded = LoadTool(in);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(in.Failed()) << in.Error();
    EXPECT_EQ(SavedBytes(*loaded), bytes);

    // Cut anywhere, the saved form is refused through the archive's error, never misread.
    for (size_t keep = 4; keep < bytes.size(); ++keep) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(keep));
        CArchive short_(cut, CArchive::load);
        LoadTool(short_);
        EXPECT_EQ(short_.Error(), "truncated saved tool") << "kept " << keep << " bytes";
    }
}

TEST_P(ToolConformance, ChunkCountDoesNotChangeTheImage) {
    Registry& entry = Entry();
    const std::shared_ptr<Image> picture = Scene(251, 141, ImageKind::Int16);
    std::unique_ptr<Image> one;
    for (const char* chunks : {"1", "3", "8"}) {
        test::ChunkEnv env(chunks);
        SameRandomDraws();
        std::unique_ptr<Image> out = RenderScene(*ShowcaseTool(entry), picture);
        ASSERT_TRUE(out) << chunks << " chunks";
        if (!one)
            one = std::move(out);
        else if (!ChunkDependent()) {
            EXPECT_TRUE(test::SamePixels(*out, *one)) << chunks << " chunks";
        } else if (!ScheduleDependent()) {
            // Where the chunks were cut changes a detail, never the picture.
            EXPECT_LT(DifferingPixels(*out, *one), out->Width * out->Height / 50)
                << chunks << " chunks";
        }
    }
    EXPECT_FALSE(test::SamePixels(*one, *picture)) << "the showcase settings change the picture";
}

TEST_P(ToolConformance, AnAbandonedRenderHandsOverNoImage) {
    std::unique_ptr<Operator> tool = ShowcaseTool(Entry());
    tool->AbortFlag = 1;
    EXPECT_EQ(RenderScene(*tool, Scene(64, 36, ImageKind::Int16)), nullptr);
}

TEST_P(ToolConformance, EveryImageKindKeepsItsKindAndRange) {
    Registry& entry = Entry();
    SameRandomDraws();
    std::unique_ptr<Image> words =
        RenderScene(*ShowcaseTool(entry), Scene(97, 55, ImageKind::Int16));
    ASSERT_TRUE(words);
    for (ImageKind kind : {ImageKind::Int8, ImageKind::Float}) {
        SameRandomDraws();
        std::unique_ptr<Image> out = RenderScene(*ShowcaseTool(entry), Scene(97, 55, kind));
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Kind, kind);
        EXPECT_EQ(out->Width, 97);
        EXPECT_EQ(out->Height, 55);
        if (kind != ImageKind::Float) continue;
        for (int32_t y = 0; y < out->Height; ++y) {
            const auto* stored = reinterpret_cast<const float*>(out->RowTable[y]);
            for (int32_t i = 0; i < out->Width * 4; ++i)
                ASSERT_TRUE(stored[i] >= 0.0f && stored[i] <= 1.0f) << stored[i];
        }
        // Float images hold every 16-bit word exactly, so the tool's words come out the same.
        if (!ScheduleDependent()) {
            EXPECT_TRUE(test::SamePixels(*out, *words));
        }
    }
}

TEST_P(ToolConformance, PicturesOnePixelWideOrHighRender) {
    Registry& entry = Entry();
    // With the showcase settings, and with every number control at each end of its range.
    const auto atBound = [&](bool upper) {
        std::unique_ptr<Operator> tool = ShowcaseTool(entry);
        for (const auto& in : tool->Inputs()) {
            const std::optional<double> bound = upper ? in->Upper : in->Lower;
            if (!in->IsImage() && !in->IsPoint() && bound) in->NumberValue.Value = *bound;
        }
        return tool;
    };
    const int32_t sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}};
    for (auto [w, h] : sizes)
        for (int variant = 0; variant < 3; ++variant) {
            std::unique_ptr<Operator> tool =
                variant == 0 ? ShowcaseTool(entry) : atBound(variant == 2);
            std::unique_ptr<Image> out = RenderScene(*tool, Scene(w, h, ImageKind::Int16));
            ASSERT_TRUE(out) << w << " x " << h << ", variant " << variant;
            EXPECT_EQ(out->Width, w);
            EXPECT_EQ(out->Height, h);
        }
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolConformance, ::testing::ValuesIn(RegisteredClassNames()),
                         [](const auto& info) { return info.param; });

TEST(ToolConformanceTable, EveryToolHasOneEntryTileAndShowcase) {
    std::set<uint32_t> classIds;
    std::set<uint64_t> tiles;
    for (const Registry* entry : TheClassRegistry().Entries()) {
        EXPECT_TRUE(classIds.insert(entry->ClassID()).second) << entry->ClassName();
        EXPECT_TRUE(tiles.insert(entry->Value(REG_Bitmap)).second) << entry->ClassName();
        EXPECT_TRUE(vorlings::ShowcaseFor(entry->ClassName())) << entry->ClassName();
    }
    const std::vector<std::string> names = RegisteredClassNames();
    for (const vorlings::ToolShowcase& row : vorlings::Showcases())
        EXPECT_EQ(std::count(names.begin(), names.end(), row.ClassName), 1) << row.ClassName;
}
