// SPDX-License-Identifier: Apache-2.0
#include "Request.h"

InputSample& Request::Sample(const Input* input, int index) {
    return samples_[{input, index}];
}

const InputSample* Request::FindSample(const Input* input, int index) const {
    auto it = samples_.find({input, index});
    return it == samples_.end() ? nullptr : &it->second;
}

void Request::SetOutput(const Output* output, Parameter* data) {
    outputs_[output].reset(data);
}

std::unique_ptr<Parameter> Request::TakeOutput(const Output* output) {
    auto it = outputs_.find(output);
    if (it == outputs_.end()) return nullptr;
    std::unique_ptr<Parameter> data = std::move(it->second);
    outputs_.erase(it);
    return data;
}
