// SPDX-License-Identifier: Apache-2.0
// The module's registry entries, one per tool, in their fixed order. Static objects of one
// file are built in declaration order and destroyed in reverse when the module is unloaded,
// so the host's class list always holds the tools in this order.
#include "clean/CleanPlugIn.h"
#include "crashzoom/CrashZoomPlugIn.h"
#include "dblur/DBlurPlugIn.h"
#include "defocus/DefocusPlugIn.h"
#include "dither/DitherPlugIn.h"
#include "flare/FlarePlugIn.h"
#include "flarespot/FlareSpotPlugIn.h"
#include "moblur/MoBlurPlugIn.h"
#include "sharpen/SharpenPlugIn.h"
#include "trace/TracePlugIn.h"

namespace {

using vorlings::frame::ToolEntry;

ToolEntry cleanEntry(vorlings::clean::CleanInfo);
ToolEntry crashZoomEntry(vorlings::crashzoom::CrashZoomInfo);
ToolEntry dblurEntry(vorlings::dblur::DBlurInfo);
ToolEntry defocusEntry(vorlings::defocus::DefocusInfo);
ToolEntry ditherEntry(vorlings::dither::DitherInfo);
ToolEntry flareEntry(vorlings::flare::FlareInfo);
ToolEntry flareSpotEntry(vorlings::flarespot::FlareSpotInfo);
ToolEntry moBlurEntry(vorlings::moblur::MoBlurInfo);
ToolEntry sharpenEntry(vorlings::sharpen::SharpenInfo);
ToolEntry traceEntry(vorlings::trace::TraceInfo);

} // namespace
