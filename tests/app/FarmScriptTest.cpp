// SPDX-License-Identifier: Apache-2.0
// The farm's batch script, chunks, -f lists and queue states, without a farm: the script is
// run by bash as a Slurm task would run it, with a command that prints its arguments.
#include "FarmScript.h"
#include "SlurmQueue.h"
#include "Subprocess.h"

#include "Sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(FarmChunks, ChunksHoldEveryFrameOnceInOrder) {
    const std::vector<int64_t> frames = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (size_t size : {1u, 5u, 12u, 13u}) {
        const auto chunks = SplitIntoChunks(frames, size);
        std::vector<int64_t> joined;
        for (size_t c = 0; c < chunks.size(); ++c) {
            // Every chunk but the last is full.
            if (c + 1 < chunks.size()) {
                EXPECT_EQ(chunks[c].size(), size);
            }
            EXPECT_LE(chunks[c].size(), size);
            EXPECT_FALSE(chunks[c].empty());
            joined.insert(joined.end(), chunks[c].begin(), chunks[c].end());
        }
        EXPECT_EQ(joined, frames) << size;
        EXPECT_EQ(chunks.size(), (frames.size() + size - 1) / size);
    }
}

TEST(FarmChunks, TheDefaultKeepsTheTaskCountWithinAJobArray) {
    for (size_t count : {1u, 12u, 999u, 10'000u, 10'001u, 123'457u, 10'000'000u}) {
        const size_t size = DefaultChunkFrames(count);
        EXPECT_GE(size, kDefaultChunkFrames);
        EXPECT_LE((count + size - 1) / size, kMaxTasks) << count;
    }
}

TEST(FarmChunks, FrameListsReadBackAsTheSameFrames) {
    std::mt19937 random(7);
    std::vector<std::vector<int64_t>> lists = {
        {1, 2, 3, 4, 5}, {1, 3, 5, 7}, {6, 7}, {5, 1}, {9}, {1, 2, 3, 10, 20, 30, 31, 50}};
    for (int n = 0; n < 200; ++n) {
        // Runs with steps, single frames and frames out of order, each once.
        std::vector<int64_t> frames;
        int64_t next = random() % 20;
        while (frames.size() < 1 + random() % 30) {
            frames.push_back(next);
            next += 1 + int64_t(random() % 3 == 0 ? random() % 5 : 0);
        }
        if (n % 3 == 0) std::shuffle(frames.begin(), frames.end(), random);
        lists.push_back(frames);
    }
    for (const auto& frames : lists) {
        const std::string text = FrameListText(frames);
        std::string problem;
        const auto back = ParseFrameList(text, problem);
        ASSERT_TRUE(back) << text << ": " << problem;
        EXPECT_EQ(*back, frames) << text;
    }
    EXPECT_EQ(FrameListText(std::vector<int64_t>{1, 2, 3, 4, 5}), "1-5");
    EXPECT_EQ(FrameListText(std::vector<int64_t>{1, 3, 5, 7, 8}), "1-7x2,8");
}

TEST(FarmScript, TaskRangesNameRunsOfTasks) {
    EXPECT_EQ(TaskRanges(std::vector<size_t>{0, 1, 2}), "0-2");
    EXPECT_EQ(TaskRanges(std::vector<size_t>{0, 1, 2, 4, 6, 7}), "0-2,4,6-7");
    EXPECT_EQ(TaskRanges(std::vector<size_t>{3}), "3");
}

TEST(FarmScript, SbatchLinesRefuseWhatTheyCannotCarry) {
    EXPECT_EQ(SbatchLineProblem("/shots/out/clean.####.png.farm"), "");
    EXPECT_EQ(SbatchLineProblem("/shots/my shot/out %d"), "");
    EXPECT_NE(SbatchLineProblem("/shots/\"quoted\""), "");
    EXPECT_NE(SbatchLineProblem("--mem=1G\n#SBATCH --exclusive"), "");
    EXPECT_NE(SbatchLineProblem("/shots/a\\b"), "");
}

TEST(FarmScript, PercentSignsInTheLogFolderAreNotPlaceholders) {
    FarmJob job;
    job.Places = FarmPlacesFor("/shots/out/clean.%04d.png");
    job.Chunks = {"1-5"};
    job.Tasks = {0};
    EXPECT_EQ(SbatchFilePattern("/a/b.%04d.png.farm/logs"), "/a/b.%%04d.png.farm/logs");
    const std::string script = SlurmScript(job);
    EXPECT_NE(
        script.find("#SBATCH --output=\"/shots/out/clean.%%04d.png.farm/logs/task-%a.log\"\n"),
        std::string::npos)
        << script;
    // The working folder is taken as written.
    EXPECT_NE(script.find("#SBATCH --chdir=\"/shots/out/clean.%04d.png.farm\"\n"),
              std::string::npos)
        << script;
}

class FarmScriptRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vorlings farm script " + std::to_string(getpid())) /
                  "out dir";
        fs::remove_all(folder_.parent_path());
        fs::create_directories(folder_);
        job_.Name = "vorlings-clean";
        job_.Places = FarmPlacesFor((folder_ / "it's a shot.####.png").string());
        fs::create_directories(job_.Places.Logs);
        // Words bash would split, expand or unquote if the script let it.
        job_.Render = {"printf",
                       "%s\\n",
                       "render",
                       "-i",
                       "Input=/in dir/a b.####.png",
                       "-o",
                       "it's $HOME \"x\" `y` *"};
        job_.Chunks = {"1-5", "6-10", "11-12"};
        job_.Tasks = {0, 1, 2};
    }
    void TearDown() override { fs::remove_all(folder_.parent_path()); }

    /// Runs the script as array task `task` would run; its exit status.
    ProgramResult RunTask(const std::string& script, size_t task) {
        const std::string path = (folder_ / "job.sbatch").string();
        std::ofstream(path) << script;
        return RunProgram({"env", "SLURM_ARRAY_TASK_ID=" + std::to_string(task), "bash", path},
                          folder_.string());
    }

    fs::path folder_;
    FarmJob job_;
};

TEST_F(FarmScriptRun, EachTaskRunsTheRenderLineOnItsOwnChunk) {
    const std::string script = SlurmScript(job_);
    for (size_t task = 0; task < job_.Chunks.size(); ++task) {
        const ProgramResult run = RunTask(script, task);
        ASSERT_TRUE(run.Started) << run.Problem;
        EXPECT_EQ(run.Status, 0) << run.Err;
        // printf prints one argument per line, after the line the task writes about itself.
        std::vector<std::string> expected(job_.Render.begin() + 2, job_.Render.end());
        expected.insert(expected.end(), {"-f", job_.Chunks[task]});
        std::vector<std::string> printed = Lines(run.Out);
        ASSERT_FALSE(printed.empty());
        EXPECT_NE(printed.front().find("frames " + job_.Chunks[task]), std::string::npos);
        printed.erase(printed.begin());
        EXPECT_EQ(printed, expected) << script;
        EXPECT_EQ(ReadText(TaskStatusPath(job_.Places, task)), "0\n");
    }
}

TEST_F(FarmScriptRun, ATaskRecordsTheStatusItEndedWith) {
    job_.Render = {"sh", "-c", "exit 3", "sh"};
    const ProgramResult run = RunTask(SlurmScript(job_), 1);
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(ReadText(TaskStatusPath(job_.Places, 1)), "3\n");
    EXPECT_FALSE(fs::exists(TaskStatusPath(job_.Places, 0)));
}

TEST_F(FarmScriptRun, TheHeaderAsksForTheTasksRequeueAndLogsBesideTheOutput) {
    job_.Tasks = {1, 2};
    job_.Partition = "gpu";
    job_.SlurmArgs = {"--mem=8G", "--time=1:00:00"};
    const std::vector<std::string> lines = Lines(SlurmScript(job_));
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_EQ(lines.front(), "#!/bin/bash");
    EXPECT_TRUE(has("#SBATCH --array=1-2"));
    EXPECT_TRUE(has("#SBATCH --requeue"));
    EXPECT_TRUE(has("#SBATCH --chdir=\"" + job_.Places.Folder + "\""));
    EXPECT_TRUE(has("#SBATCH --output=\"" + job_.Places.Logs + "/task-%a.log\""));
    EXPECT_TRUE(has("#SBATCH --partition=gpu"));
    EXPECT_TRUE(has("#SBATCH --mem=8G"));
    EXPECT_TRUE(has("#SBATCH --time=1:00:00"));
    // sbatch reads #SBATCH lines only before the first command.
    const auto firstCommand = std::find_if(lines.begin() + 1, lines.end(),
                                           [](const auto& l) { return !l.empty() && l[0] != '#'; });
    EXPECT_TRUE(std::none_of(firstCommand, lines.end(),
                             [](const auto& l) { return l.starts_with("#SBATCH"); }));
    // Without a task id (run by hand) the script refuses rather than render chunk 0.
    const ProgramResult run = RunProgram(
        {"env", "-u", "SLURM_ARRAY_TASK_ID", "bash", "-c", SlurmScript(job_)}, folder_.string());
    EXPECT_NE(run.Status, 0);
}

TEST(FarmQueue, AJobEndsWhenEveryTaskIsInAFinalState) {
    EXPECT_TRUE(AllTasksEnded("COMPLETED\nFAILED\nCOMPLETED\n"));
    EXPECT_TRUE(AllTasksEnded("CANCELLED\nNODE_FAIL\nTIMEOUT\n"));
    EXPECT_TRUE(AllTasksEnded(""));
    EXPECT_FALSE(AllTasksEnded("COMPLETED\nRUNNING\n"));
    EXPECT_FALSE(AllTasksEnded("PENDING\n"));
    EXPECT_FALSE(AllTasksEnded("COMPLETED\nREQUEUED\n"));
    EXPECT_FALSE(AllTasksEnded("COMPLETING\n"));
}
