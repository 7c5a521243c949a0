// SPDX-License-Identifier: Apache-2.0
// The demo, as a new user first runs it.
#include "CliFixture.h"

TEST_F(CliTest, DemoRendersEveryToolAndAContactSheet) {
    const CliResult r = RunCli({"demo", "-o", Path("demo")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find(Path("demo")), std::string::npos) << "it says where the pictures are";
    const RawImage input = ReadRaw(Path("demo/input.png"));
    const RawImage clean = ReadRaw(Path("demo/clean.png"));
    EXPECT_EQ(input.Width, 960);
    EXPECT_EQ(input.Height, 540);
    EXPECT_FALSE(SameSamples(clean, input)) << "Clean's demo setting changes the picture";
    const RawImage sheet = ReadRaw(Path("demo/contact_sheet.png"));
    EXPECT_GT(sheet.Width, input.Width) << "input and result side by side";
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}
