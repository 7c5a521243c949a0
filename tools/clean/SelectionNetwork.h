// SPDX-License-Identifier: Apache-2.0
// A fixed network of compare-exchanges that leaves the k-th smallest of n values at position
// k. Small windows hold 9 to 25 values: a histogram of 16384 bins is the wrong tool for so few,
// while a network is straight-line code of min and max operations with no branch on the data,
// so one network runs on a vector register's worth of channel words at once.
//
// The network is Batcher's odd-even merge sort for the next power of two, cut down twice, both
// at compile time. Positions at n and beyond would hold values above every real one; such a
// value never leaves its position, so every exchange that touches one is dropped. Then only the
// exchanges that can still move a value into position k are kept, found by walking the sort
// backwards from k. What remains selects exactly: a sorting network's k-th output is the k-th
// smallest value, and the exchanges dropped never change that output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlings::clean {

/// One compare-exchange: after it, position Low holds the smaller value and High the larger.
struct Exchange {
    uint8_t Low;
    uint8_t High;
};

/// The most values a network here selects from (a 7 x 7 window).
inline constexpr int kMostNetworkValues = 64;

/// A network as a list of exchanges in the order they run.
struct SelectionNetwork {
    std::array<Exchange, 600> Exchanges{};
    int Count = 0;
};

/// The network that leaves the `k`-th smallest (from 0) of `n` values at position `k`.
constexpr SelectionNetwork MakeSelectionNetwork(int n, int k) {
    int size = 1;
    while (size < n) size *= 2;

    // Batcher's odd-even merge sort of `size` values, without the exchanges beyond n.
    SelectionNetwork sort;
    for (int p = 1; p < size; p *= 2)
        for (int step = p; step >= 1; step /= 2)
            for (int j = step % p; j + step < size; j += 2 * step)
                for (int i = 0; i < step && i + j + step < size; ++i)
                    if ((i + j) / (2 * p) == (i + j + step) / (2 * p) && i + j + step < n)
                        sort.Exchanges[size_t(sort.Count++)] = {uint8_t(i + j),
                                                                uint8_t(i + j + step)};

    // Backwards from the output: an exchange matters when it touches a position that matters.
    std::array<bool, kMostNetworkValues> matters{};
    matters[size_t(k)] = true;
    std::array<bool, 600> kept{};
    for (int e = sort.Count - 1; e >= 0; --e) {
        const Exchange x = sort.Exchanges[size_t(e)];
        if (matters[x.Low] || matters[x.High]) {
            kept[size_t(e)] = true;
            matters[x.Low] = matters[x.High] = true;
        }
    }
    SelectionNetwork network;
    for (int e = 0; e < sort.Count; ++e)
        if (kept[size_t(e)]) network.Exchanges[size_t(network.Count++)] = sort.Exchanges[size_t(e)];
    return network;
}

/// The network of a window of `n` values, selecting the value Clean keeps: the (n / 2)-th
/// smallest from 0, the middle one of an odd count.
template <int N>
inline constexpr SelectionNetwork kMedianNetwork = MakeSelectionNetwork(N, N / 2);

} // namespace vorlings::clean
