// SPDX-License-Identifier: Apache-2.0
// The steps of a render that every tool's Process takes alike: fetching inputs and control
// values from the request, making the output image, and handing it over at the end.
#pragma once

#include "host/Image.h"
#include "host/Operator.h"
#include "host/Parameter.h"

#include <memory>

namespace vorlings::frame {

/// Releases an image through its Recycle operation.
struct RecycleImage {
    void operator()(Image* image) const { image->Recycle(); }
};

/// An image the tool made and has not handed over yet. Whatever path leaves the render, an
/// image that was not handed over is released through Recycle.
using MadeImage = std::unique_ptr<Image, RecycleImage>;

/// A zero-filled image of `templ`'s size and kind (the host's NewImage with the template tag);
/// null when memory is short.
inline MadeImage NewImageLike(const Image& templ) {
    return MadeImage(NewImage(IMG_Template, &templ, 0));
}

/// The image delivered on `input` for `sample` of the current request, or null.
inline Image* InputImage(Operator& tool, Input* input, int sample = 0) {
    return dynamic_cast<Image*>(tool.GetInputData(input, sample));
}

/// A number control's value for the current request.
inline double NumberValue(Operator& tool, Input* control) {
    const auto* number = dynamic_cast<const Number*>(tool.GetInputData(control, 0));
    return number ? number->Value : 0.0;
}

/// A point control's value for the current request, as fractions of the width and height.
inline Point PointValue(Operator& tool, Input* control) {
    const auto* point = dynamic_cast<const Point*>(tool.GetInputData(control, 0));
    return point ? *point : Point();
}

/// The last step of every render: the image goes to the request through `output`, unless the
/// render was abandoned (the operator's AbortFlag), when it is released and the request gets
/// nothing.
inline void HandOver(Operator& tool, Output* output, MadeImage image) {
    if (!image || tool.AbortFlag) return; // released by the owner
    tool.SetOutputData(output, image.release());
}

} // namespace vorlings::frame
