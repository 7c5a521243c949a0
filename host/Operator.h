// SPDX-License-Identifier: Apache-2.0
// The operator base classes that every tool derives from, with the declarations of its
// inputs, controls, pages and output, and the render entry points.
#pragma once

#include "Archive.h"
#include "Image.h"
#include "Parameter.h"
#include "Registry.h"
#include "Request.h"
#include "TagList.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// A declared input: an image link or a control (number or point), with every attribute
/// its declaration carried, so that a host can list it, fill its default and apply values.
class Input {
public:
    std::string Name;
    uint32_t DataType = 0;
    uint32_t LinkId = 0;
    int Page = -1; ///< index into Operator::Pages(), -1 before any page

    uint32_t ControlKind = 0; ///< "SliC", "ComC", ...; 0 for none
    uint32_t PreviewKind = 0; ///< "XHrC", "RecC", ...; 0 for none
    std::optional<double> Lower, Upper;
    std::optional<double> Default;
    std::optional<double> DefaultX, DefaultY;
    std::optional<int64_t> CheckDefault;
    std::string GroupLabel;
    std::optional<int64_t> GroupNumber, GroupIndex;
    std::vector<std::string> Entries; ///< combo-box entry labels, numbered from 0
    const Input* TiedTo = nullptr;
    bool Optional = false;
    std::vector<TagItem> ExtraTags; ///< tags the host keeps without a role of its own

    /// The current value: a number control's, or a point's.
    Number NumberValue;
    Point PointValue;

    bool IsImage() const { return DataType == TYPE_Image; }
    bool IsPoint() const { return DataType == TYPE_Point; }

    /// The value a new tool starts with: the declared default, else 0 (or the lower bound
    /// when that is above 0); points at the declared default or (0.5, 0.5).
    void ResetToDefault();

    /// Records the tags' roles (used by AddInput and SetAttrs).
    void ApplyTags(const TagItem* tags);
};

/// A declared output.
class Output {
public:
    std::string Name;
    uint32_t DataType = 0;
    uint32_t LinkId = 0;
};

/// The host's operator base: declarations, saving, requests and the abort flag.
class Operator {
public:
    /// Base constructor: when `archive` is given, reads the base data (control values by
    /// link id), which the declarations then pick up.
    Operator(Registry* entry, CArchive* archive, const TagItem* tags);

    // Virtual operations in the host's slot order.
    virtual ~Operator();
    /// Writes the base data; bit 0 of the result is 1 on success.
    virtual uint32_t Save(CArchive* archive, const TagItem* tags);
    /// Sets every input's sample times for the request (sample 0 at the request's time).
    virtual void CheckRequest(Request* request);
    virtual void PreProcess(Request* request);
    virtual void PostProcess(Request* request);
    virtual void Process(Request* request);

    Operator(const Operator&) = delete;
    Operator& operator=(const Operator&) = delete;

    // Declarations, made by the tool's constructor in its fixed order. Tags may end with
    // TagEnd() or simply at the end of the list.
    Input* AddInput(const char* name, uint32_t dataType, uint32_t linkId,
                    std::initializer_list<TagItem> tags = {});
    Output* AddOutput(const char* name, uint32_t dataType, uint32_t linkId,
                      std::initializer_list<TagItem> tags = {});
    int AddControlPage(const char* name, std::initializer_list<TagItem> tags = {});
    void SetAttrs(Input* input, std::initializer_list<TagItem> tags);

    // Request access for the tool's Process and CheckRequest.
    Parameter* GetInputData(Input* input, int sample);
    double GetInputTime(Input* input, int sample);
    void SetInputTime(Input* input, double time, int sample);
    void SetOutputData(Output* output, Parameter* data);

    // What a host reads of the declarations.
    Registry* Entry() const { return entry_; }
    const std::vector<std::unique_ptr<Input>>& Inputs() const { return inputs_; }
    const std::vector<std::unique_ptr<Output>>& Outputs() const { return outputs_; }
    const std::vector<std::string>& Pages() const { return pages_; }
    Input* FindInput(uint32_t linkId) const;

    /// Nonzero when the current request is abandoned; workers stop early.
    std::atomic<int> AbortFlag{0};
    /// Two operator attributes the host reads; every tool's constructor sets them to 2 and 0.
    int32_t OperatorAttributes[2] = {0, 0};

    /// The request being served (set by the host around CheckRequest and Process).
    Request* CurrentRequest = nullptr;

private:
    Registry* entry_;
    std::vector<std::unique_ptr<Input>> inputs_;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::string> pages_;
    std::deque<std::string> texts_; // owned copies of declaration texts
    struct SavedValue {
        uint32_t DataType;
        double Value[2];
    };
    std::map<uint32_t, SavedValue> saved_;
};

/// An operator whose frames are split into chunks run on the host's worker threads.
class ThreadedOperator : public Operator {
public:
    using Operator::Operator;

    virtual void ThreadMain(Request* request);
    /// Processes chunk `chunk` of the current pass; runs on a worker thread.
    virtual void ProcessChunk(Request* request, int chunk);
    virtual void QuickProcessChunk(Request* request, int chunk);

    /// Runs ProcessChunk for chunks 0..count-1 on the worker threads; returns when all are
    /// done. The calling thread only waits.
    void DoMultiProcess(Request* request, int count);
};

/// The host's side of a render: fills the request's samples (controls from their current
/// values, images from `fetch` at each wanted sample's time after CheckRequest), runs Process,
/// and returns the image handed to the first output, or null (abort, or nothing handed over).
using ImageFetcher =
    std::function<std::shared_ptr<Image>(const Input& input, int sample, double time)>;
std::unique_ptr<Image> RenderRequest(Operator& op, Request& request, const ImageFetcher& fetch);
