// SPDX-License-Identifier: Apache-2.0
// How a frame is split into chunks for the worker threads.
#pragma once

#include <cstdint>

namespace vorlings::frame {

/// The number of chunks of a render: NUM_PROC_THARN read as the C library's atoi reads it
/// when set, else the host's processor count, else 1; never below 1.
int DecideChunkCount();

/// The same rule for a given environment value (null: unset) and application processor
/// count (null: no application object).
int ChunkCountFrom(const char* numProcThArn, const int* processorCount);

/// Half-open range of rows (or columns) of one chunk.
struct ChunkRange {
    int32_t Begin;
    int32_t End;

    bool Empty() const { return Begin >= End; }
};

/// Chunk `chunk` of `chunkCount`, each `perChunk` long (total / chunkCount) except the last,
/// which runs to `total`.
constexpr ChunkRange ChunkSpan(int chunk, int chunkCount, int32_t perChunk, int32_t total) {
    const int32_t begin = int32_t(int64_t(chunk) * perChunk);
    const int32_t end = chunk == chunkCount - 1 ? total : int32_t(int64_t(chunk + 1) * perChunk);
    return {begin, end};
}

/// The split of one render into chunks, decided afresh at every setup.
struct ChunkSplit {
    int ChunkCount = 1;
    int32_t ColumnsPerChunk = 0;
    int32_t RowsPerChunk = 0;
    int32_t Width = 0;
    int32_t Height = 0;

    /// Decides the chunk count and the rows and columns of each chunk of a frame.
    static ChunkSplit For(int32_t width, int32_t height) {
        return For(width, height, DecideChunkCount());
    }
    /// The same with a given chunk count (at least 1).
    static ChunkSplit For(int32_t width, int32_t height, int chunkCount) {
        return {chunkCount, width / chunkCount, height / chunkCount, width, height};
    }

    ChunkRange Rows(int chunk) const { return ChunkSpan(chunk, ChunkCount, RowsPerChunk, Height); }
    ChunkRange Columns(int chunk) const {
        return ChunkSpan(chunk, ChunkCount, ColumnsPerChunk, Width);
    }
};

} // namespace vorlings::frame
