// SPDX-License-Identifier: Apache-2.0
// The first pass of MoBlur: blocks of frame t + 1 on a regular grid are looked for in frame t,
// coarse to fine through the grey pyramids, by an exhaustive search of +-8 pixels at each level
// around the position the coarser level found.
#pragma once

#include "GreyPyramid.h"
#include "MotionField.h"

#include "frame/Chunks.h"

#include <atomic>
#include <cstdint>

namespace vorlings::moblur {

/// Blocks are 17 x 17 pixels (size 16 and its centre) on a grid of the same step.
inline constexpr int32_t kBlockSize = 16;
inline constexpr int32_t kHalfBlock = kBlockSize / 2;
inline constexpr int32_t kGridStep = 16;

/// Where blocks are matched: the plain search, or its vector forms on AVX2 and AVX-512.
enum class MatchUnit : uint8_t { Plain, Avx2, Avx512 };
/// The widest unit this machine runs.
MatchUnit MachineMatchUnit();

/// Block centres X0, X0 + 16, ... below X1 and Y0, Y0 + 16, ... below Y1.
struct BlockGrid {
    int32_t X0 = 0, X1 = 0;
    int32_t Y0 = 0, Y1 = 0;
};

/// The grid over the bounding region [left, right] x [top, bottom] (either pair in any order):
/// centres on the 8 + 16k lattice from the block holding the first bound to the one past the
/// second, held to the frame.
BlockGrid MakeBlockGrid(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t width,
                        int32_t height);

/// What every chunk of the first pass reads.
struct MotionJob {
    BlockGrid Grid;
    int32_t Width;
    int32_t Height;
    const GreyPyramid* Next; ///< frame t + 1
    const GreyPyramid* Prev; ///< frame t
    MotionField* Field;      ///< block displacements are written at the block centres only
    frame::ChunkSplit Split; ///< by rows
    MatchUnit Unit = MatchUnit::Plain;
};

/// The matched centre of one block at one level, and whether any candidate had a pixel to
/// compare (otherwise the centre is the guess).
struct BlockMatch {
    int32_t X;
    int32_t Y;
    bool Compared;
};

/// Finds the block of `next` centred on (x, y), clipped to the level, in `prev` among the 289
/// positions within +-half of the guess (gx, gy). The cost of a position is the sum of squared
/// differences over the block pixels whose counterpart lies inside the level; positions with
/// none are not candidates. The cheapest wins, the earlier (row by row) on a tie.
BlockMatch MatchBlock(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t height,
                      int32_t x, int32_t y, int32_t gx, int32_t gy, int32_t size);

/// MatchBlock's result, on `unit` (AVX2 or AVX-512) where the block and the candidate lie
/// inside the level.
BlockMatch MatchBlockVector(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t height,
                            int32_t x, int32_t y, int32_t gx, int32_t gy, int32_t size,
                            MatchUnit unit = MatchUnit::Avx2);

/// The level at which the block centred on (x, y) starts its search: the coarsest whose
/// search cannot reach past the frame's border, 0 near it.
int StartLevel(int32_t x, int32_t y, int32_t width, int32_t height);

/// Matches the blocks of every grid row inside `rows` and writes their displacements into the
/// field. Checks `abortFlag` before each block row.
void MatchBlockRows(const MotionJob& job, frame::ChunkRange rows,
                    const std::atomic<int>& abortFlag);

} // namespace vorlings::moblur
