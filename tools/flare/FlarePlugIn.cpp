// SPDX-License-Identifier: Apache-2.0
#include "FlarePlugIn.h"

#include "Composite.h"
#include "FlareSetup.h"
#include "LightMap.h"
#include "Scatter.h"
#include "frame/Numeric.h"
#include "frame/RenderRoad.h"

#include <cstdlib>

namespace vorlings::flare {

namespace {

constexpr uint32_t kLowThresholdLink = 0x774c68d4;
constexpr uint32_t kHighThresholdLink = 0x694868d4;

} // namespace

FlarePlugIn::FlarePlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    const auto slider = [this](const char* name, const char(&code)[5], double lower, double upper,
                               double value) {
        return AddInput(name, TYPE_Number, FourCC(code),
                        {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, lower),
                         TagDouble(CTL_Upper, upper), TagDouble(CTL_Default, value)});
    };
    const auto check = [this](const char* name, const char(&code)[5], int on) {
        return AddInput(name, TYPE_Number, FourCC(code),
                        {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, uint64_t(on))});
    };
    const auto colour = [this](const char* name, const char(&code)[5], int index) {
        return AddInput(name, TYPE_Number, FourCC(code),
                        {TagNum(CTL_Kind, KIND_Colour), TagPtr(CTL_GroupLabel, "Flare Color"),
                         TagNum(CTL_GroupNumber, 3), TagNum(CTL_GroupIndex, uint64_t(index)),
                         TagDouble(CTL_Lower, 0.0), TagDouble(CTL_RangeUpper, 1.0),
                         TagDouble(CTL_Default, 1.0)});
    };
    const auto threshold = [this](const char* name, uint32_t link, int index, double value) {
        return AddInput(name, TYPE_Number, link,
                        {TagNum(CTL_Kind, KIND_Range), TagNum(CTL_GroupNumber, 1),
                         TagNum(CTL_GroupIndex, uint64_t(index)), TagDouble(CTL_Lower, 0.0),
                         TagDouble(CTL_RangeUpper, 100.0), TagDouble(CTL_Default, value)});
    };

    AddControlPage("Halo");
    PupilAperture = slider("Pupil Aperture (mm)", "Aper", 0.2, 20.0, 4.0);
    DarkFringes = slider("Diffraction Halo Dark Fringes", "HStr", 0.0, 1000.0, 100.0);
    HaloStrength = slider("Halo Effect Strength", "Stre", 10.0, 1000.0, 100.0);
    FringeStrength = slider("Halo Fringe Strength", "FrnS", 0.0, 100.0, 50.0);
    AddControlPage("Streaks");
    StreakCount = slider("Number of Streaks", "Numb", 0.0, 1000.0, 10.0);
    StreakLength = slider("Streak Length", "SLen", 0.0, 1.0, 0.1);
    StreakRotation = AddInput("Streak Rotation", TYPE_Number, FourCC("Rota"),
                              {TagNum(CTL_Kind, KIND_Dial), TagDouble(CTL_DialLower, -360.0),
                               TagDouble(CTL_Upper, 360.0), TagDouble(CTL_Default, 0.0)});
    StreakStrength = slider("Streak Effect Strength", "StrS", 10.0, 1000.0, 100.0);
    Monochromatic = slider("Monochromatic Streak Contribution", "Mono", 0.0, 100.0, 5.0);
    AddControlPage("Glow");
    GlowRadius = slider("Diffuse Glow Radius", "FRad", 0.0, 50.0, 1.0);
    GlowStrength = slider("Glow Effect Strength", "GlSt", 10.0, 5000.0, 100.0);
    AddControlPage("Reflect");
    Reflections = slider("Number of Reflections", "RefN", 0.0, 10.0, 0.0);
    Reflectivity = slider("Reflectivity", "FRfl", 0.0, 100.0, 5.0);
    ShiftScale = slider("Reflection Shift Scale", "FScl", 1.0, 100.0, 10.0);
    AddControlPage("Map/Ovl");
    OverlayContrast = slider("Overlay Contrast", "OvCn", 0.5, 3.0, 1.35);
    LowThreshold = threshold("Lightmap Low Threshold", kLowThresholdLink, 0, 90.0);
    HighThreshold = threshold("Lightmap High Threshold", kHighThresholdLink, 1, 100.0);
    LightmapOnly = check("Lightmap Only", "LMap", 1);
    RegionCentre =
        AddInput("XY Center", TYPE_Point, FourCC("Cent"),
                 {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Crosshair)});
    RegionWidth = slider("Width", "Widt", 0.0, 1.0, 0.95);
    RegionHeight = slider("Height", "Heig", 0.0, 1.0, 0.95);
    BoundingRegion =
        AddInput("Bounding Region", TYPE_Number, FourCC("Boxx"),
                 {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, RegionCentre)});
    // The rectangle drawn over the view is sized by "Height" and "Width".
    SetAttrs(RegionHeight,
             {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, RegionCentre),
              TagNum(CTL_RectWidthHeight, 1), TagNum(CTL_RectIsHeight, 1)});
    SetAttrs(RegionWidth, {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, RegionCentre),
                           TagNum(CTL_RectWidthHeight, 1), TagNum(CTL_RectIsHeight, 0)});
    AddControlPage("Point");
    UsePoint = check("Use Point Flare", "UPnt", 0);
    PointCentre = AddInput("XY Center", TYPE_Point, FourCC("CPnt"),
                           {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Crosshair),
                            TagDouble(CTL_DefaultX, 0.6), TagDouble(CTL_DefaultY, 0.6)});
    FlareRed = colour("Flare Red", "FRed", 0);
    FlareGreen = colour("Flare Green", "FGre", 1);
    FlareBlue = colour("Flare Blue", "FBlu", 2);
    Lightmap = AddInput("Lightmap", TYPE_Image, LINK_FirstImage);
    Background =
        AddInput("Background(optional)", TYPE_Image, LINK_SecondImage, {TagNum(CTL_Optional, 0)});
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);

    // The record lives as long as the tool; without it the tool renders nothing.
    job_.reset(static_cast<FlareJob*>(std::calloc(1, sizeof(FlareJob))));
}

uint32_t FlarePlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

FlareControls FlarePlugIn::ReadControls() {
    const auto number = [this](Input* control) {
        return float(frame::NumberValue(*this, control));
    };
    FlareControls c;
    c.Aperture = number(PupilAperture);
    c.DarkFringes = number(DarkFringes);
    c.HaloStrength = number(HaloStrength);
    c.FringeStrength = number(FringeStrength);
    c.StreakCount = number(StreakCount);
    c.StreakLength = number(StreakLength);
    c.StreakRotation = number(StreakRotation);
    c.StreakStrength = number(StreakStrength);
    c.Monochromatic = number(Monochromatic);
    c.GlowRadius = number(GlowRadius);
    c.GlowStrength = number(GlowStrength);
    c.Reflections = number(Reflections);
    c.Reflectivity = number(Reflectivity);
    c.ShiftScale = number(ShiftScale);
    c.Contrast = number(OverlayContrast);
    c.LowThreshold = number(LowThreshold);
    c.HighThreshold = number(HighThreshold);
    c.LightmapOnly = number(LightmapOnly);
    const Point centre = frame::PointValue(*this, RegionCentre);
    c.CentreX = centre.X;
    c.CentreY = centre.Y;
    c.RegionWidth = number(RegionWidth);
    c.RegionHeight = number(RegionHeight);
    c.UsePoint = frame::TruncToInt32(frame::NumberValue(*this, UsePoint));
    const Point point = frame::PointValue(*this, PointCentre);
    c.PointX = float(point.X);
    c.PointY = float(point.Y);
    c.Red = number(FlareRed);
    c.Green = number(FlareGreen);
    c.Blue = number(FlareBlue);
    return c;
}

void FlarePlugIn::Process(Request* request) {
    const Image* lightMap = frame::InputImage(*this, Lightmap);
    const Image* background = frame::InputImage(*this, Background);
    if (!background) background = lightMap;
    // Nothing connected: nothing to render and nothing to hand over.
    if (!background) return;
    frame::MadeImage output = frame::NewImageLike(*background);
    if (!output) return;
    frame::MadeImage work = frame::NewImageLike(*background);
    const FlareControls controls = ReadControls();

    if (!lightMap) {
        // Without a light map there is no light: the background passes through.
        background->ImageCopy(output.get());
    } else if (lightMap->Width != background->Width || lightMap->Height != background->Height) {
        DrawSizeMismatch(*output);
    } else if (job_ && work) {
        Render(request, *background, *lightMap, *output, *work, controls);
    }
    work.reset();
    frame::HandOver(*this, Out, std::move(output));
}

void FlarePlugIn::Render(Request* request, const Image& background, const Image& lightMap,
                         Image& output, Image& work, const FlareControls& controls) {
    FlareJob& job = *job_;
    FillFlareJob(job, controls, background.Width, background.Height);
    job.PixelAspect = float(background.PixelAspect);

    // The curve costs 16384 powers: it is built again only when the contrast changes.
    if (job.OverlayContrast != contrastBuiltFor_) {
        BuildContrastTable(job.ContrastTable, job.OverlayContrast);
        contrastBuiltFor_ = job.OverlayContrast;
        ++contrastBuilds_;
    }

    FlareTables tables;
    const bool ready = BuildKernels(job, tables);
    if (ready && streakTablePending_) {
        // Drawn once in the life of the tool: every later render keeps its streaks.
        DrawStreakTable(job.RandomStreakTable);
        streakTablePending_ = false;
    }
    if (ready && AllocatePlanes(job, tables)) {
        job.WorkImage = &work;
        job.SourceImage = &lightMap;
        job.OutputImage = &output;
        PrepareLightMap(job);
        if (job.LightmapOnly) {
            work.ImageCopy(&output);
        } else {
            job.Split = frame::ChunkSplit::For(job.Width, job.Height);
            job.Adder = MachineRowAdder();
            pass_ = 1;
            DoMultiProcess(request, job.Split.ChunkCount);
            job.SourceImage = &background;
            pass_ = 2;
            DoMultiProcess(request, job.Split.ChunkCount);
        }
    }
    ForgetRender(job);
}

void FlarePlugIn::ProcessChunk(Request*, int chunk) {
    const FlareJob& job = *job_;
    if (pass_ == 1)
        ScatterChunk(job, job.Split.Rows(chunk), AbortFlag);
    else if (pass_ == 2)
        CompositeChunk(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::flare
