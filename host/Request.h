// SPDX-License-Identifier: Apache-2.0
// A request for one frame of a tool's output: per-input samples with their times, and
// the slot where the tool hands over its output.
#pragma once

#include "Parameter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class Input;
class Output;

/// One sample of an input: the time at which the host delivers it, and the value.
struct InputSample {
    double Time = 0.0;
    bool Wanted = false;
    std::shared_ptr<Parameter> Data;
};

class Request {
public:
    explicit Request(double time = 0.0) : Time(time) {}

    /// -1 for an ordinary frame request.
    int32_t TimingWord = -1;
    /// The frame being rendered.
    double Time;

    /// Sample `index` (0 or 1) of `input`, made on first use.
    InputSample& Sample(const Input* input, int index);
    const InputSample* FindSample(const Input* input, int index) const;

    /// The request takes `data` for `output`.
    void SetOutput(const Output* output, Parameter* data);
    /// What the tool handed over for `output`, or null.
    std::unique_ptr<Parameter> TakeOutput(const Output* output);

    /// Set when a chunk failed in a way no tool reports (an exception inside a worker).
    bool ChunkFailed = false;

    /// When set, DoMultiProcess calls it after each chunk ends (a failed one too) with the
    /// number of that call's chunks ended so far and their count, so that a host can show
    /// progress inside a frame. It runs on the worker threads, possibly on several at once;
    /// each value of `ended` from 1 to `count` comes exactly once, not necessarily in order.
    std::function<void(int ended, int count)> ChunkEnded;

private:
    std::map<std::pair<const Input*, int>, InputSample> samples_;
    std::map<const Output*, std::unique_ptr<Parameter>> outputs_;
};
