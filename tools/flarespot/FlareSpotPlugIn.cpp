// SPDX-License-Identifier: Apache-2.0
#include "FlareSpotPlugIn.h"

#include "FlareSpotRows.h"
#include "SpotDrawing.h"
#include "frame/RenderRoad.h"

namespace vorlings::flarespot {

FlareSpotPlugIn::FlareSpotPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    AddControlPage("Position", {TagEnd()});
    Source = AddInput("XY Source", TYPE_Point, FourCC("Sour"),
                      {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Point),
                       TagDouble(CTL_DefaultX, 0.1), TagDouble(CTL_DefaultY, 0.1)});
    // The two points are tied to each other: the destination now, the source once the
    // destination exists.
    Destination = AddInput("XY Destination", TYPE_Point, FourCC("Dest"),
                           {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Point),
                            TagPtr(CTL_TiedTo, Source), TagDouble(CTL_DefaultX, 0.9),
                            TagDouble(CTL_DefaultY, 0.9)});
    SetAttrs(Source, {TagPtr(CTL_TiedTo, Destination)});

    const auto slider = [&](const char* name, const char(&id)[5], double lower, double upper,
                            double value) {
        return AddInput(name, TYPE_Number, FourCC(id),
                        {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, lower),
                         TagDouble(CTL_Upper, upper), TagDouble(CTL_Default, value)});
    };

    AddControlPage("Light", {TagEnd()});
    SourceRadius = slider("Source Radius", "SRad", 0.01, 0.5, 0.2);
    SourceSides = slider("Source Sides", "Side", 3, 80, 5);
    Brightness = slider("Brightness", "FlBr", 10, 1000, 100);

    AddControlPage("Spots", {TagEnd()});
    MinimumScale = slider("Minimum Scale", "MinS", 5, 200, 20);
    MaximumScale = slider("Maximum Scale", "MaxS", 10, 3000, 600);
    MaximumSaturation = slider("Maximum Saturation", "Satt", 5, 100, 50);
    Defocus = slider("Defocus", "DFof", 10, 200, 100);
    LensType =
        AddInput("Lens Type", TYPE_Number, FourCC("Lens"),
                 {TagNum(CTL_Kind, KIND_Combo), TagPtr(CTL_ComboEntry, "Angulon 21mm"),
                  TagPtr(CTL_ComboEntry, "Summicron 35mm"), TagPtr(CTL_ComboEntry, "Summilux 50mm"),
                  TagPtr(CTL_ComboEntry, "Tele-Elmar 135mm")});
    EdgeBoost = AddInput("Edge Boost", TYPE_Number, FourCC("EdgB"),
                         {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});

    AddControlPage("Color", {TagEnd()});
    ColourOverride = AddInput("Color Override", TYPE_Number, FourCC("Bias"),
                              {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    const char* const labels[3] = {"Red", "Green", "Blue"};
    const uint32_t startIds[3] = {FourCC("SpSR"), FourCC("SpSG"), FourCC("SpSB")};
    const uint32_t endIds[3] = {FourCC("SpER"), FourCC("SpEG"), FourCC("SpEB")};
    const auto colour = [&](const char* group, int number, int index, uint32_t id) {
        return AddInput(labels[index], TYPE_Number, id,
                        {TagNum(CTL_Kind, KIND_Colour), TagPtr(CTL_GroupLabel, group),
                         TagNum(CTL_GroupNumber, uint64_t(number)),
                         TagNum(CTL_GroupIndex, uint64_t(index)), TagDouble(CTL_Lower, 0.0),
                         TagDouble(CTL_RangeUpper, 1.0), TagDouble(CTL_Default, 1.0)});
    };
    for (int c = 0; c < 3; ++c) StartColour[c] = colour("Start Color", 1, c, startIds[c]);
    for (int c = 0; c < 3; ++c) EndColour[c] = colour("End Color", 2, c, endIds[c]);

    In = AddInput("Input", TYPE_Image, LINK_FirstImage, {TagEnd()});
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput, {TagEnd()});
    frame::FinishToolConstruction(*this, archive);
    BuildLensTables(lenses_);
}

uint32_t FlareSpotPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

FlareSpotControls FlareSpotPlugIn::ReadControls() {
    const auto number = [&](Input* control) { return float(frame::NumberValue(*this, control)); };
    FlareSpotControls c;
    c.Source = frame::PointValue(*this, Source);
    c.Destination = frame::PointValue(*this, Destination);
    c.SourceRadius = number(SourceRadius);
    c.SourceSides = number(SourceSides);
    c.Brightness = number(Brightness);
    c.MinimumScale = number(MinimumScale);
    c.MaximumScale = number(MaximumScale);
    c.MaximumSaturation = number(MaximumSaturation);
    c.Defocus = number(Defocus);
    c.LensType = number(LensType);
    c.EdgeBoost = number(EdgeBoost);
    c.ColourOverride = number(ColourOverride);
    for (int k = 0; k < 3; ++k) {
        c.StartColour[k] = number(StartColour[k]);
        c.EndColour[k] = number(EndColour[k]);
    }
    return c;
}

void FlareSpotPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    const FlareSpotControls controls = ReadControls();
    const SpotParams params = MakeSpotParams(controls);
    // Without its planes the render draws nothing: the output leaves as it was made.
    const PlaneStore store(input->Width, input->Height);
    if (store.Allocated()) {
        const LightPlanes planes = store.Planes();
        // The job is held only while the chunks run; the output leaves after it.
        const auto job = job_.Hold(
            {input, output.get(), &SelectLens(lenses_, LensIndex(controls.LensType)), &params,
             &planes, frame::ChunkSplit::For(input->Width, input->Height), VectorUnitAvailable()});
        DoMultiProcess(request, job->Split.ChunkCount);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void FlareSpotPlugIn::ProcessChunk(Request*, int chunk) {
    const FlareSpotJob& job = job_.Current();
    FlareSpotRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::flarespot
