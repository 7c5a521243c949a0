// Saved tools: "save" writes the tool's saved form, "--settings" loads it through the
// factory; defaults, then saved values, then -s.
#include "CliFixture.h"

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
