// SPDX-License-Identifier: Apache-2.0
#include "InputSources.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"
#include "ToolLookup.h"

#include <cmath>
#include <filesystem>
#include <system_error>

InputSources::InputSources(const Operator& tool, const std::string& toolName,
                           const std::vector<std::string>& arguments,
                           std::optional<double> pixelAspect)
    : pixelAspect_(pixelAspect) {
    const std::vector<const Input*> inputs = ImageInputsOf(tool);
    std::map<const Input*, std::string> given;
    for (const std::string& argument : arguments) {
        const Input* target = nullptr;
        std::string path = argument;
        if (const size_t equals = argument.find('='); equals != std::string::npos && equals > 0) {
            const std::string name = argument.substr(0, equals);
            target = ImageInputNamed(inputs, name);
            if (target) {
                path = argument.substr(equals + 1);
            } else {
                // A file name may hold '=' too; only a name that is no file is an error.
                std::error_code ec;
                if (!std::filesystem::exists(argument, ec) && name.find('/') == std::string::npos)
                    throw UsageError(toolName + ": no image input " + Quoted(name) +
                                     " (image inputs: " + InputList(inputs) + ")");
            }
        }
        if (!target) {
            for (const Input* in : inputs)
                if (!given.contains(in)) {
                    target = in;
                    break;
                }
            if (!target)
                throw UsageError(toolName + ": more -i than image inputs (image inputs: " +
                                 InputList(inputs) + ")");
        }
        if (given.contains(target))
            throw UsageError(toolName + ": image input " + Quoted(target->Name) + " given twice");
        if (path.empty())
            throw UsageError(toolName + ": image input " + Quoted(target->Name) + " has no file");
        given[target] = path;
    }
    for (const Input* in : inputs) {
        if (auto it = given.find(in); it != given.end()) {
            // A file that exists under the name as written is that file, '#' or "%d" and all.
            std::error_code ec;
            const bool isFile = std::filesystem::exists(it->second, ec);
            sources_.push_back(
                {in, isFile ? FramePattern::Literal(it->second) : FramePattern(it->second)});
        } else if (!in->Optional)
            throw UsageError(toolName + ": image input " + Quoted(in->Name) + " needs a file: -i " +
                             Quoted(in->Name + "=PATH"));
    }
}

std::vector<std::pair<std::string, std::string>> InputSources::Given() const {
    std::vector<std::pair<std::string, std::string>> given;
    for (const Source& s : sources_) given.emplace_back(s.Target->Name, s.Pattern.Text());
    return given;
}

const FramePattern* InputSources::FirstSequence() const {
    for (const Source& s : sources_)
        if (s.Pattern.IsSequence()) return &s.Pattern;
    return nullptr;
}

const InputSources::Source* InputSources::SourceOf(const Input& input) const {
    for (const Source& s : sources_)
        if (s.Target == &input) return &s;
    return nullptr;
}

void InputSources::LoadFrame(int64_t frame) {
    frame_ = frame;
    pending_.reset();
    // Frames before this one are done with; stills stay.
    std::erase_if(loaded_, [&](const auto& item) {
        return item.first.second != kStill && item.first.second < frame;
    });
    for (const Source& s : sources_) {
        const auto key = std::make_pair(s.Target, KeyOf(s, frame));
        if (loaded_.contains(key)) continue;
        const std::string path = s.Pattern.PathFor(frame);
        if (s.Pattern.IsSequence() && UnreadableReason(path) == "no such file")
            throw FileError(path + ": no such file (frame " + std::to_string(frame) + " of " +
                            s.Pattern.Text() + ")");
        loaded_[key] = ReadImageFile(path, pixelAspect_);
    }
}

std::shared_ptr<Image> InputSources::Fetch(const Input& input, double time) {
    const Source* s = SourceOf(input);
    if (!s) return nullptr;
    if (!std::isfinite(time)) return nullptr;
    const int64_t frame = std::llround(time);
    const auto key = std::make_pair(s->Target, KeyOf(*s, frame));
    if (auto it = loaded_.find(key); it != loaded_.end()) return it->second.Pixels;

    const std::string path = s->Pattern.PathFor(frame);
    if (UnreadableReason(path) == "no such file") {
        // The tool decides what a missing sample means (MoBlur's last frame is a copy); the
        // user hears of it once.
        Warn(path + ": no such file (frame " + std::to_string(frame) + " of " + s->Pattern.Text() +
             "); " + Quoted(input.Name) + " gets no sample there");
        return nullptr;
    }
    try {
        LoadedImage& image = loaded_[key] = ReadImageFile(path, pixelAspect_);
        return image.Pixels;
    } catch (const CommandError& e) {
        loaded_.erase(key);
        if (!pending_) {
            pending_ = e.what();
            pendingStatus_ = e.Status();
        }
        return nullptr;
    }
}

void InputSources::ThrowPending() {
    if (pending_) throw CommandError(pendingStatus_, *pending_);
}

const FileLayout* InputSources::MainLayout() const {
    if (sources_.empty()) return nullptr;
    const Source& main = sources_.front();
    auto it = loaded_.find(std::make_pair(main.Target, KeyOf(main, frame_)));
    return it == loaded_.end() ? nullptr : &it->second.Layout;
}
