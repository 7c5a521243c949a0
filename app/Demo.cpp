// SPDX-License-Identifier: Apache-2.0
// "demo": every registered tool renders the built-in picture, through the same registry,
// factory and request road as "render"; the results and a contact sheet go to one folder.
#include "Commands.h"

#include "ContactSheet.h"
#include "ControlValue.h"
#include "DemoImages.h"
#include "Environment.h"
#include "Errors.h"
#include "ImageIO.h"
#include "RenderFrame.h"
#include "Text.h"
#include "ToolLookup.h"

#include "Showcase.h"

#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string FileNameFor(const std::string& toolName) {
    std::string name;
    for (char c : toolName)
        name += std::isalnum(static_cast<unsigned char>(c))
                    ? char(std::tolower(static_cast<unsigned char>(c)))
                    : '_';
    return name + ".png";
}

// The demo picture of each frame a tool asks for, made once.
class DemoFrames {
public:
    std::shared_ptr<Image> Frame(int64_t frame) {
        auto it = frames_.find(frame);
        if (it != frames_.end()) return it->second;
        std::shared_ptr<Image> image = MakeDemoImage(kDemoWidth, kDemoHeight, frame);
        if (!image) throw FileError("demo: not enough memory for the demo picture");
        return frames_[frame] = image;
    }

private:
    std::map<int64_t, std::shared_ptr<Image>> frames_;
};

} // namespace

int RunDemo(const DemoOptions& options) {
    WarnAboutEnvironment();
    std::error_code ec;
    fs::create_directories(options.Folder, ec);
    if (ec || !fs::is_directory(options.Folder))
        throw FileError(options.Folder + ": cannot make the folder (" + ec.message() + ")");
    const auto say = [&](const std::string& line) {
        if (!options.Quiet) std::cout << line << std::endl;
    };

    DemoFrames frames;
    const std::shared_ptr<Image> input = frames.Frame(0);
    FileLayout rgb16;
    rgb16.Channels = 3;
    rgb16.Depth = SampleDepth::Int16;
    const std::string inputPath = (fs::path(options.Folder) / "input.png").string();
    WriteImageFile(*input, inputPath, rgb16);
    say("Input picture: " + inputPath);

    std::vector<std::unique_ptr<Image>> results;
    std::vector<SheetTile> tiles{{"Input", input.get()}};
    for (Registry* entry : TheClassRegistry().Entries()) {
        const std::string name = ToolName(*entry);
        // A tool with several showcase rows renders once per row; the first keeps the plain
        // file name, the others are numbered from 2.
        std::vector<const vorlings::ToolShowcase*> rows =
            vorlings::ShowcasesFor(entry->ClassName());
        if (rows.empty()) rows.push_back(nullptr);
        for (size_t r = 0; r < rows.size(); ++r) {
            ToolPtr tool = CreateTool(*entry);
            std::string caption = name;
            if (const vorlings::ToolShowcase* row = rows[r]) {
                for (const std::string& setting : row->Settings) ApplySetting(*tool, setting, name);
                caption += " (" + Join(row->Settings, ", ") + ")";
            }
            // Every mandatory image input sees the demo picture at the time it asks for.
            const auto fetch = [&](const Input& in, int, double time) -> std::shared_ptr<Image> {
                if (in.Optional) return nullptr;
                return frames.Frame(int64_t(time));
            };
            std::unique_ptr<Image> result = RenderFrame(*tool, name, 0.0, fetch);
            const std::string fileName =
                FileNameFor(r == 0 ? name : name + "_" + std::to_string(r + 1));
            const std::string path = (fs::path(options.Folder) / fileName).string();
            WriteImageFile(*result, path, rgb16);
            say(name + ": " + path);
            tiles.push_back({caption, result.get()});
            results.push_back(std::move(result));
        }
    }

    const std::string sheetPath = (fs::path(options.Folder) / "contact_sheet.png").string();
    WriteContactSheet(tiles, sheetPath);
    std::cout << "Demo pictures are in " << fs::absolute(options.Folder).lexically_normal().string()
              << " (contact sheet: " << sheetPath << ")" << std::endl;
    return kExitSuccess;
}
