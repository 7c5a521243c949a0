// SPDX-License-Identifier: Apache-2.0
// The image inputs of a render: which file or sequence feeds each of the tool's image inputs
// ("-i [NAME=]PATH"), and the images read for the frame being rendered.
#pragma once

#include "ImageIO.h"
#include "Sequence.h"

#include "host/Operator.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class InputSources {
public:
    /// Assigns each "-i" to an image input: NAME is an input's label (exact, else a unique
    /// case-insensitive match); without it the first input not yet fed. Throws a
    /// CommandError (exit 2) for an unknown or twice-given input, a spare -i, or a
    /// mandatory input left without one.
    InputSources(const Operator& tool, const std::string& toolName,
                 const std::vector<std::string>& arguments, std::optional<double> pixelAspect);

    /// Each fed image input's label and the file or pattern given for it, in the tool's
    /// declaration order.
    std::vector<std::pair<std::string, std::string>> Given() const;

    /// The sequence of the first image input fed by one, or null.
    const FramePattern* FirstSequence() const;

    /// Reads every input's image for `frame` (stills once). A missing file stops the run:
    /// throws a CommandError (exit 1) naming it.
    void LoadFrame(int64_t frame);

    /// What the tool gets for a sample: the loaded image, or another frame of a sequence
    /// read on demand. A frame missing on disk is a missing sample (null); an unreadable
    /// one is kept for ThrowPending.
    std::shared_ptr<Image> Fetch(const Input& input, double time);

    /// Throws the error of a sample that could not be read during the last render, if any.
    void ThrowPending();

    /// How the main input (the first one fed) was stored, for writing the output alike;
    /// null when no input is fed.
    const FileLayout* MainLayout() const;

private:
    static constexpr int64_t kStill = INT64_MIN;

    struct Source {
        const Input* Target;
        FramePattern Pattern;
    };
    const Source* SourceOf(const Input& input) const;
    int64_t KeyOf(const Source& source, int64_t frame) const {
        return source.Pattern.IsSequence() ? frame : kStill;
    }

    std::vector<Source> sources_; // in the tool's declaration order
    std::optional<double> pixelAspect_;
    std::map<std::pair<const Input*, int64_t>, LoadedImage> loaded_;
    int64_t frame_ = 0;
    std::optional<std::string> pending_;
    int pendingStatus_ = 0;
};
