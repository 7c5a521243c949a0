// SPDX-License-Identifier: Apache-2.0
// Giving a tool its values on the command line: tools and controls by any of their names,
// saved tools ("save" writes the tool's saved form, "--settings" loads it through the
// factory; defaults, then saved values, then -s), and what list and info show.
#include "CliFixture.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <functional>
#include <sstream>

TEST_F(CliTest, EveryWayOfGivingAValueRendersAlike) {
    WriteRaw(Path("noise.png"), NoiseImage(200, 120, 3, OIIO::TypeDesc::UINT16, 8));
    // 0.05 lies past Filter Size's bound of 0.01: -s passes it on with a warning naming the
    // control, and save keeps it.
    ASSERT_EQ(RunCli({"save", "clean", "-s", "Filter Size=0.05", "-o", Path("p.vtool")}).Status, 0);
    const std::string warning = "\"Filter Size\" = 0.05";
    const std::vector<std::pair<std::vector<std::string>, std::string>> ways = {
        {{"clean", "-s", "Filter Size=0.05"}, warning},
        {{"CLEANPLUGIN", "-s", "filter size=0.05"}, warning},
        {{"CleanPlugIn", "-s", "XRad=0.05"}, warning},
        {{"clean", "--settings", Path("p.vtool")}, ""},
        {{"--settings", Path("p.vtool")}, ""}};
    for (size_t i = 0; i < ways.size(); ++i) {
        SCOPED_TRACE(::testing::PrintToString(ways[i].first));
        std::vector<std::string> args = ways[i].first;
        const std::string out = "out" + std::to_string(i) + ".png";
        args.insert(args.end(), {"-i", Path("noise.png"), "-o", Path(out)});
        Render(args, ways[i].second);
        EXPECT_EQ(Bytes(out), Bytes("out0.png"));
    }
    // Clean's default, 0, copies the input: the renders above took their value.
    EXPECT_FALSE(SameSamples(ReadRaw(Path("out0.png")), ReadRaw(Path("noise.png"))));
    // -s comes after the saved values: at 0 the input is copied.
    Render({"clean", "--settings", Path("p.vtool"), "-s", "Filter Size=0", "-i", Path("noise.png"),
            "-o", Path("over.png")});
    EXPECT_TRUE(SameSamples(ReadRaw(Path("over.png")), ReadRaw(Path("noise.png"))));

    // Loading and saving again gives the same saved form.
    const CliResult resave = RunCli({"save", "--settings", Path("p.vtool"), "-o", Path("q.vtool")});
    ASSERT_EQ(resave.Status, 0) << resave.Err;
    EXPECT_EQ(Bytes("q.vtool"), Bytes("p.vtool"));
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

// For scripts the same content as JSON: every row of the list in the table's order, and every
// text and number of each tool's description also in its text form.
TEST_F(CliTest, ListAndInfoAsJsonSayWhatTheTextSays) {
    const CliResult list = RunCli({"list"}), listJson = RunCli({"list", "--json"});
    ASSERT_EQ(listJson.Status, 0) << listJson.Err;
    const nlohmann::json tools = nlohmann::json::parse(listJson.Out).at("tools");
    std::vector<std::string> rows;
    std::istringstream table(list.Out);
    for (std::string line; std::getline(table, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), tools.size() + 1) << "a heading, then one row per tool";
    for (size_t i = 0; i < tools.size(); ++i) {
        size_t at = 0;
        for (const char* field : {"tool", "class", "classId", "description"})
            at = rows[i + 1].find(tools[i].at(field).get<std::string>(), at);
        EXPECT_NE(at, std::string::npos) << rows[i + 1];
    }

    for (const nlohmann::json& listed : tools) {
        const std::string name = listed.at("tool");
        SCOPED_TRACE(name);
        const CliResult text = RunCli({"info", name}), json = RunCli({"info", name, "--json"});
        ASSERT_EQ(json.Status, 0) << json.Err;
        const nlohmann::json info = nlohmann::json::parse(json.Out);
        EXPECT_EQ(info.at("class"), listed.at("class"));
        EXPECT_EQ(info.at("entry").at("classId"), listed.at("classId"));
        std::function<void(const nlohmann::json&)> findLeaves = [&](const nlohmann::json& value) {
            std::string shown;
            if (value.is_structured()) {
                for (const auto& item : value) findLeaves(item);
                return;
            } else if (value.is_string()) {
                shown = value.get<std::string>();
            } else if (value.is_number_float()) {
                char digits[32];
                const auto end = std::to_chars(digits, digits + sizeof digits, value.get<double>());
                shown.assign(digits, end.ptr);
            } else if (value.is_number()) {
                shown = value.dump();
            } else {
                return; // true, false and null are words of the text form, not values
            }
            EXPECT_NE(text.Out.find(shown), std::string::npos) << shown;
        };
        findLeaves(info);
    }
}

TEST_F(CliTest, TheModuleIsFoundBesideTheBinaryOrOnThePluginPath) {
    // A copy of vorlings with its command line and host library but without the module.
    const std::filesystem::path bin = std::filesystem::path(VORLINGS_BIN).parent_path();
    std::filesystem::create_directories(Path("alone"));
    std::filesystem::copy_file(VORLINGS_BIN, Path("alone/vorlings"));
    for (const char* file : {"vorlings-cli", "libDFSystem.so"})
        std::filesystem::copy_file(bin / file, Path("alone/") + file);

    const CliResult missing = RunCli({"list"}, {}, Path("alone/vorlings"));
    EXPECT_FAILS_WITH(missing, 1, Path("alone/TharnVorlings.so"));

    const CliResult found =
        RunCli({"list"}, {{"VORLINGS_PLUGIN_PATH", "/nonexistent:" + bin.string()}},
               Path("alone/vorlings"));
    EXPECT_EQ(found.Status, 0) << found.Err;
    EXPECT_NE(found.Out.find("CleanPlugIn"), std::string::npos);
}
