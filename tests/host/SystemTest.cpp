// SPDX-License-Identifier: Apache-2.0
#include "host/System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

TEST(Rand, SeedOneGivesTheStandardSequence) {
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 16838);
    EXPECT_EQ(crt::rand(), 5758);
    EXPECT_EQ(crt::rand(), 10113);
}

TEST(Rand, ReseedingRestartsTheSequenceAndValuesStayIn15Bits) {
    crt::srand(12345);
    std::vector<int> first;
    for (int i = 0; i < 1000; ++i) first.push_back(crt::rand());
    crt::srand(12345);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(crt::rand(), first[size_t(i)]);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](int v) { return v >= 0 && v < 32768; }));
    EXPECT_GT(*std::max_element(first.begin(), first.end()), 30000);
}

TEST(Rand, ThreadsShareOneStateWithoutLosingDraws) {
    // Four threads drawing 2500 values each take exactly the first 10000 values of the
    // sequence between them: no draw is lost or repeated.
    crt::srand(7);
    std::vector<int> sequential;
    for (int i = 0; i < 10000; ++i) sequential.push_back(crt::rand());
    crt::srand(7);
    std::vector<std::vector<int>> drawn(4);
    std::vector<std::thread> threads;
    for (auto& out : drawn)
        threads.emplace_back([&out] {
            for (int i = 0; i < 2500; ++i) out.push_back(crt::rand());
        });
    for (auto& t : threads) t.join();
    std::vector<int> all;
    for (auto& d : drawn) all.insert(all.end(), d.begin(), d.end());
    std::sort(all.begin(), all.end());
    std::sort(sequential.begin(), sequential.end());
    EXPECT_EQ(all, sequential);
}

TEST(Application, ProcessorCountIsPositiveAndSettable) {
    HostApplication* app = CurrentApplication();
    ASSERT_NE(app, nullptr);
    EXPECT_GE(app->ProcessorCount, 1);
    const int before = app->ProcessorCount;
    SetProcessorCount(3);
    EXPECT_EQ(app->ProcessorCount, 3);
    SetProcessorCount(-2);
    EXPECT_EQ(app->ProcessorCount, 1);
    SetProcessorCount(before);
}

TEST(Resources, JoinWhileTheirRegistrarLives) {
    static const uint8_t bytes[] = {'B', 'M', 1, 2};
    EXPECT_TRUE(FindResource(9999).empty());
    {
        ResourceRegistrar registrar(9999, bytes);
        ASSERT_EQ(FindResource(9999).size(), 4u);
        EXPECT_EQ(FindResource(9999)[0], 'B');
    }
    EXPECT_TRUE(FindResource(9999).empty());
}
