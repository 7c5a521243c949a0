// SPDX-License-Identifier: Apache-2.0
#include "Chunks.h"

#include "host/System.h"

#include <cstdlib>

namespace vorlings::frame {

int ChunkCountFrom(const char* numProcThArn, const int* processorCount) {
    int count = 1;
    if (numProcThArn)
        count = std::atoi(numProcThArn);
    else if (processorCount)
        count = *processorCount;
    return count < 1 ? 1 : count;
}

int DecideChunkCount() {
    const HostApplication* app = CurrentApplication();
    return ChunkCountFrom(std::getenv("NUM_PROC_THARN"), app ? &app->ProcessorCount : nullptr);
}

} // namespace vorlings::frame
