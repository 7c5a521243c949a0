// SPDX-License-Identifier: Apache-2.0
// One dispatch on an image's kind in front of a kernel templated on it: the kind is looked at
// once per chunk, and the kernel's loop holds no call or branch per pixel for it.
#pragma once

#include "host/Image.h"

namespace vorlings::frame {

/// Calls `work.template operator()<Kind>()` with the image's kind as a compile-time value.
template <class Work>
void WithPixelKind(ImageKind kind, Work&& work) {
    switch (kind) {
    case ImageKind::Int16:
        work.template operator()<ImageKind::Int16>();
        break;
    case ImageKind::Int8:
        work.template operator()<ImageKind::Int8>();
        break;
    case ImageKind::Float:
        work.template operator()<ImageKind::Float>();
        break;
    }
}

} // namespace vorlings::frame
