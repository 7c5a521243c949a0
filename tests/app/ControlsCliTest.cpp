// Naming tools and controls on the command line, and what list and info show.
#include "CliFixture.h"

TEST_F(CliTest, AControlCanBeNamedByLabelOrLinkId) {
    WriteRaw(Path("specks.png"), SpeckImage(200, 120, 8));
    auto render = [&](const std::string& setting, const std::string& out,
                      const char* tool = "clean") {
        const CliResult r = RunCli(
            {"render", tool, "-i", Path("specks.png"), "-s", setting, "-o", Path(out), "-q"});
        EXPECT_EQ(r.Status, 0) << setting << ": " << r.Err;
        return Bytes(out);
    };
    const std::vector<uint8_t> byLabel = render("Filter Size=0.01", "label.png");
    EXPECT_EQ(render("filter size=0.01", "lower.png", "CLEANPLUGIN"), byLabel);
    EXPECT_EQ(render("XRad=0.01", "code.png", "CleanPlugIn"), byLabel);
    EXPECT_EQ(render("0x64615258=0.01", "hex.png"), byLabel);
    // The value reached the tool: the same control at 0 copies the input instead.
    EXPECT_NE(render("XRad=0", "zero.png"), byLabel);
}

TEST_F(CliTest, ValuesOutsideTheBoundsArePassedOnWithAWarning) {
    WriteRaw(Path("specks.png"), SpeckImage(64, 40, 2));
    const CliResult r = RunCli({"render", "clean", "-i", Path("specks.png"), "-s",
                                "Filter Size=0.05", "-o", Path("out.png"), "-q"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    ASSERT_EQ(r.MessageLines().size(), 1u) << r.Err;
    EXPECT_NE(r.Err.find("warning"), std::string::npos);
    EXPECT_NE(r.Err.find("Filter Size"), std::string::npos);
    EXPECT_TRUE(Exists("out.png"));
}

TEST_F(CliTest, ListAndInfoShowTheRegistryAndDeclarations) {
    const CliResult list = RunCli({"list"});
    ASSERT_EQ(list.Status, 0) << list.Err;
    for (const char* text :
         {"Clean", "CleanPlugIn", "0x8001006A", "For removing little bits of the image"})
        EXPECT_NE(list.Out.find(text), std::string::npos) << text;

    const CliResult info = RunCli({"info", "clean"});
    ASSERT_EQ(info.Status, 0) << info.Err;
    for (const char* text :
         {"Short name:", "Cln", "TharnVorlings.chm::/html/clean.htm", "250", "\"Filter Size\"",
          "slider", "XRad", "0 to 0.01", "\"Input\"", "\"Output\""})
        EXPECT_NE(info.Out.find(text), std::string::npos) << text;
    EXPECT_EQ(RunCli({"info", "CleanPlugIn"}).Out, info.Out);
}

TEST_F(CliTest, TheModuleIsFoundBesideTheBinaryOrOnThePluginPath) {
    // A copy of vorlings with its host library but without the module beside it.
    const std::filesystem::path bin = std::filesystem::path(VORLINGS_BIN).parent_path();
    std::filesystem::create_directories(Path("alone"));
    std::filesystem::copy_file(VORLINGS_BIN, Path("alone/vorlings"));
    std::filesystem::copy_file(bin / "libDFSystem.so", Path("alone/libDFSystem.so"));

    const CliResult missing = RunCli({"list"}, {}, Path("alone/vorlings"));
    EXPECT_FAILS_WITH(missing, 1, "TharnVorlings.so");
    EXPECT_NE(missing.Err.find(Path("alone/TharnVorlings.so")), std::string::npos) << missing.Err;

    const CliResult found =
        RunCli({"list"}, {{"VORLINGS_PLUGIN_PATH", "/nonexistent:" + bin.string()}},
               Path("alone/vorlings"));
    EXPECT_EQ(found.Status, 0) << found.Err;
    EXPECT_NE(found.Out.find("CleanPlugIn"), std::string::npos);
}
