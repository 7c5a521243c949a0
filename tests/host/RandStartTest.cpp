// SPDX-License-Identifier: Apache-2.0
// The generator's state when the process starts is seed 1. A program of its own, so that no
// other test has drawn first.
#include "host/System.h"

#include <cstdio>

int main() {
    const int expected[] = {16838, 5758, 10113};
    for (int want : expected) {
        const int got = crt::rand();
        if (got != want) {
            std::printf("rand at start: got %d, want %d\n", got, want);
            return 1;
        }
    }
    std::printf("rand starts at seed 1\n");
    return 0;
}
