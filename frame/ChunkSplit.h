// The split of one render into chunks, decided afresh at every setup.
#pragma once

#include "Chunks.h"

#include <cstdint>

struct ChunkSplit {
    int ChunkCount = 1;
    int32_t ColumnsPerChunk = 0;
    int32_t RowsPerChunk = 0;

    /// Decides the chunk count and the per-chunk row and column counts of a frame.
    static ChunkSplit For(int32_t width, int32_t height) {
        ChunkSplit s;
        s.ChunkCount = DecideChunkCount();
        s.ColumnsPerChunk = width / s.ChunkCount;
        s.RowsPerChunk = height / s.ChunkCount;
        return s;
    }
    ChunkRange Rows(int chunk, int32_t height) const {
        return ChunkSpan(chunk, ChunkCount, RowsPerChunk, height);
    }
    ChunkRange Columns(int chunk, int32_t width) const {
        return ChunkSpan(chunk, ChunkCount, ColumnsPerChunk, width);
    }
};
