// Saved tools: "save" writes the tool's saved form, "--settings" loads it through the
// factory; defaults, then saved values, then -s.
#include "CliFixture.h"

#include <fstream>

class SettingsTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        WriteRaw(Path("specks.png"), SpeckImage(160, 90, 5));
    }
    std::vector<uint8_t> Render(std::vector<std::string> extra, const std::string& out) {
        std::vector<std::string> args = {"render", "-i", Path("specks.png"), "-o", Path(out), "-q"};
        args.insert(args.begin() + 1, extra.begin(), extra.end());
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return Bytes(out);
    }
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
};

TEST_F(SettingsTest, ASavedToolRendersAsItsValuesGivenWithSet) {
    const CliResult save =
        RunCli({"save", "clean", "-s", "Filter Size=0.02", "-o", Path("p.vtool")});
    ASSERT_EQ(save.Status, 0) << save.Err;

    const std::vector<uint8_t> bySet = Render({"clean", "-s", "Filter Size=0.02"}, "set.png");
    EXPECT_EQ(Render({"clean", "--settings", Path("p.vtool")}, "named.png"), bySet);
    EXPECT_EQ(Render({"--settings", Path("p.vtool")}, "unnamed.png"), bySet);
    // -s comes after the saved values: at 0 the input is copied.
    Render({"clean", "--settings", Path("p.vtool"), "-s", "Filter Size=0"}, "over.png");
    EXPECT_TRUE(SameSamples(ReadRaw(Path("over.png")), ReadRaw(Path("specks.png"))));

    // Loading and saving again gives the same saved form.
    const CliResult resave = RunCli({"save", "--settings", Path("p.vtool"), "-o", Path("q.vtool")});
    ASSERT_EQ(resave.Status, 0) << resave.Err;
    EXPECT_EQ(Bytes("q.vtool"), Bytes("p.vtool"));
}

TEST_F(SettingsTest, BrokenOrForeignSavedFilesAreRefused) {
    ASSERT_EQ(RunCli({"save", "clean", "-o", Path("p.vtool")}).Status, 0);
    const std::vector<uint8_t> saved = Bytes("p.vtool");
    ASSERT_GT(saved.size(), 12u);

    // Cut anywhere, from inside the class ID to the last byte of the end marker.
    for (size_t keep :
         {size_t(2), size_t(6), saved.size() / 2, saved.size() - 5, saved.size() - 1}) {
        SCOPED_TRACE("kept " + std::to_string(keep) + " bytes");
        WriteBytes("cut.vtool",
                   std::vector<uint8_t>(saved.begin(), saved.begin() + std::ptrdiff_t(keep)));
        const CliResult r = RunCli({"render", "clean", "--settings", Path("cut.vtool"), "-i",
                                    Path("specks.png"), "-o", Path("out.png"), "-q"});
        EXPECT_FAILS_WITH(r, 1, Path("cut.vtool") + ": truncated saved tool");
        EXPECT_FALSE(Exists("out.png"));
    }

    // The same bytes under another tool's class ID (Flare's), and under one no tool has.
    std::vector<uint8_t> foreign = saved;
    foreign[0] = 0x70;
    WriteBytes("flare.vtool", foreign);
    CliResult r = RunCli({"render", "clean", "--settings", Path("flare.vtool"), "-i",
                          Path("specks.png"), "-o", Path("out.png"), "-q"});
    EXPECT_FAILS_WITH(r, 1, Path("flare.vtool") + ": holds a saved");
    EXPECT_NE(r.Err.find("not Clean"), std::string::npos) << r.Err;
    foreign[3] = 0x12;
    WriteBytes("unknown.vtool", foreign);
    r = RunCli({"render", "--settings", Path("unknown.vtool"), "-i", Path("specks.png"), "-o",
                Path("out.png"), "-q"});
    EXPECT_FAILS_WITH(r, 1, Path("unknown.vtool"));
    EXPECT_FALSE(Exists("out.png"));
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}
