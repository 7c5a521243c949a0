// SPDX-License-Identifier: Apache-2.0
#include "Operator.h"

#include "WorkerPool.h"

#include <atomic>

namespace {

// A saved tool never carries more controls than this; a larger count means a broken file.
constexpr uint32_t kMaxSavedControls = 4096;

// A declaration's tags as a zero-closed list, whether or not the caller closed it.
std::vector<TagItem> Closed(std::initializer_list<TagItem> tags) {
    std::vector<TagItem> list(tags);
    list.push_back(TagEnd());
    return list;
}

} // namespace

uint32_t Number::DataType() const {
    return TYPE_Number;
}
uint32_t Point::DataType() const {
    return TYPE_Point;
}

void Input::ApplyTags(const TagItem* tags) {
    for (const TagItem* t = tags; t && t->tag != 0; ++t) {
        switch (t->tag) {
        case CTL_Kind:
            ControlKind = uint32_t(t->value);
            break;
        case CTL_Preview:
            PreviewKind = uint32_t(t->value);
            break;
        case CTL_Lower:
        case CTL_DialLower:
            Lower = TagValueDouble(*t);
            break;
        case CTL_RangeUpper:
        case CTL_Upper:
            Upper = TagValueDouble(*t);
            break;
        case CTL_Default:
            Default = TagValueDouble(*t);
            break;
        case CTL_DefaultX:
            DefaultX = TagValueDouble(*t);
            break;
        case CTL_DefaultY:
            DefaultY = TagValueDouble(*t);
            break;
        case CTL_CheckDefault:
            CheckDefault = int64_t(t->value);
            break;
        case CTL_GroupLabel:
            GroupLabel = TagValueText(*t) ? TagValueText(*t) : "";
            break;
        case CTL_GroupNumber:
            GroupNumber = int64_t(t->value);
            break;
        case CTL_GroupIndex:
            GroupIndex = int64_t(t->value);
            break;
        case CTL_ComboEntry:
            Entries.emplace_back(TagValueText(*t) ? TagValueText(*t) : "");
            break;
        case CTL_TiedTo:
            TiedTo = reinterpret_cast<const Input*>(uintptr_t(t->value));
            break;
        case CTL_Optional:
            Optional = t->value == 0;
            break;
        default:
            ExtraTags.push_back(*t);
            break;
        }
    }
}

void Input::ResetToDefault() {
    if (IsPoint()) {
        PointValue = Point(DefaultX.value_or(0.5), DefaultY.value_or(0.5));
        return;
    }
    if (Default)
        NumberValue.Value = *Default;
    else if (CheckDefault)
        NumberValue.Value = double(*CheckDefault);
    else if (ControlKind != KIND_Combo && Lower && *Lower > 0.0)
        NumberValue.Value = *Lower;
    else
        NumberValue.Value = 0.0;
}

Operator::Operator(Registry* entry, CArchive* archive, const TagItem*) : entry_(entry) {
    if (!archive) return;
    // Base data: a count, then per control its link id, data type and value(s).
    uint32_t count = 0;
    *archive >> count;
    if (count > kMaxSavedControls) {
        archive->SetError("corrupt saved tool");
        return;
    }
    for (uint32_t i = 0; i < count && !archive->Failed(); ++i) {
        uint32_t linkId = 0, type = 0;
        *archive >> linkId >> type;
        SavedValue v{type, {0.0, 0.0}};
        if (type == TYPE_Number) {
            *archive >> v.Value[0];
        } else if (type == TYPE_Point) {
            *archive >> v.Value[0] >> v.Value[1];
        } else if (!archive->Failed()) {
            archive->SetError("corrupt saved tool");
            return;
        }
        if (!archive->Failed()) saved_[linkId] = v;
    }
}

Operator::~Operator() = default;

uint32_t Operator::Save(CArchive* archive, const TagItem*) {
    if (!archive) return 0;
    uint32_t count = 0;
    for (const auto& in : inputs_) count += in->IsImage() ? 0 : 1;
    *archive << count;
    for (const auto& in : inputs_) {
        if (in->IsImage()) continue;
        *archive << in->LinkId << in->DataType;
        if (in->IsPoint())
            *archive << in->PointValue.X << in->PointValue.Y;
        else
            *archive << in->NumberValue.Value;
    }
    return archive->Failed() ? 0 : 1;
}

void Operator::CheckRequest(Request* request) {
    if (!request) return;
    for (const auto& in : inputs_) {
        InputSample& s = request->Sample(in.get(), 0);
        s.Time = request->Time;
        s.Wanted = true;
    }
}

void Operator::PreProcess(Request*) {}
void Operator::PostProcess(Request*) {}
void Operator::Process(Request*) {}

Input* Operator::AddInput(const char* name, uint32_t dataType, uint32_t linkId,
                          std::initializer_list<TagItem> tags) {
    auto input = std::make_unique<Input>();
    input->Name = name ? name : "";
    input->DataType = dataType;
    input->LinkId = linkId;
    input->Page = int(pages_.size()) - 1;
    input->ApplyTags(Closed(tags).data());
    input->ResetToDefault();
    // A loaded tool picks up its saved value when the control is declared.
    if (auto it = saved_.find(linkId); it != saved_.end() && it->second.DataType == dataType) {
        if (input->IsPoint())
            input->PointValue = Point(it->second.Value[0], it->second.Value[1]);
        else
            input->NumberValue.Value = it->second.Value[0];
    }
    inputs_.push_back(std::move(input));
    return inputs_.back().get();
}

Output* Operator::AddOutput(const char* name, uint32_t dataType, uint32_t linkId,
                            std::initializer_list<TagItem>) {
    auto output = std::make_unique<Output>();
    output->Name = name ? name : "";
    output->DataType = dataType;
    output->LinkId = linkId;
    outputs_.push_back(std::move(output));
    return outputs_.back().get();
}

int Operator::AddControlPage(const char* name, std::initializer_list<TagItem>) {
    pages_.emplace_back(name ? name : "");
    return int(pages_.size()) - 1;
}

void Operator::SetAttrs(Input* input, std::initializer_list<TagItem> tags) {
    if (!input) return;
    input->ApplyTags(Closed(tags).data());
}

Input* Operator::FindInput(uint32_t linkId) const {
    for (const auto& in : inputs_)
        if (in->LinkId == linkId) return in.get();
    return nullptr;
}

Parameter* Operator::GetInputData(Input* input, int sample) {
    if (!input) return nullptr;
    if (CurrentRequest) {
        const InputSample* s = CurrentRequest->FindSample(input, sample);
        if (s && s->Data) return s->Data.get();
    }
    if (input->IsImage()) return nullptr;
    if (input->IsPoint()) return &input->PointValue;
    return &input->NumberValue;
}

double Operator::GetInputTime(Input* input, int sample) {
    if (!CurrentRequest) return 0.0;
    const InputSample* s = CurrentRequest->FindSample(input, sample);
    return s ? s->Time : CurrentRequest->Time;
}

void Operator::SetInputTime(Input* input, double time, int sample) {
    if (!CurrentRequest || !input) return;
    InputSample& s = CurrentRequest->Sample(input, sample);
    s.Time = time;
    s.Wanted = true;
}

void Operator::SetOutputData(Output* output, Parameter* data) {
    if (CurrentRequest)
        CurrentRequest->SetOutput(output, data);
    else
        delete data; // nobody to hand it to
}

void ThreadedOperator::ThreadMain(Request*) {}
void ThreadedOperator::ProcessChunk(Request*, int) {}
void ThreadedOperator::QuickProcessChunk(Request* request, int chunk) {
    ProcessChunk(request, chunk);
}

void ThreadedOperator::DoMultiProcess(Request* request, int count) {
    std::atomic<bool> failed{false};
    std::atomic<int> ended{0};
    const std::function<void(int)> work = [&](int chunk) {
        // No exception may leave a worker: it is recorded on the request instead.
        try {
            ProcessChunk(request, chunk);
        } catch (...) {
            failed = true;
        }
        if (request && request->ChunkEnded) {
            try {
                request->ChunkEnded(++ended, count);
            } catch (...) {
                // Progress is the host's own affair; it never fails a render.
            }
        }
    };
    WorkerPool::Instance().Run(count, work);
    if (failed && request) request->ChunkFailed = true;
}

std::unique_ptr<Image> RenderRequest(Operator& op, Request& request, const ImageFetcher& fetch) {
    op.CurrentRequest = &request;
    op.CheckRequest(&request);
    for (const auto& in : op.Inputs()) {
        for (int s = 0; s < 2; ++s) {
            const InputSample* found = request.FindSample(in.get(), s);
            if (!found || !found->Wanted) continue;
            InputSample& sample = request.Sample(in.get(), s);
            if (in->IsImage())
                sample.Data = fetch ? fetch(*in, s, sample.Time) : nullptr;
            else if (in->IsPoint())
                sample.Data = std::make_shared<Point>(in->PointValue);
            else
                sample.Data = std::make_shared<Number>(in->NumberValue);
        }
    }
    op.Process(&request);
    op.CurrentRequest = nullptr;
    if (op.Outputs().empty()) return nullptr;
    std::unique_ptr<Parameter> out = request.TakeOutput(op.Outputs().front().get());
    if (auto* image = dynamic_cast<Image*>(out.get())) {
        out.release();
        return std::unique_ptr<Image>(image);
    }
    return nullptr;
}
