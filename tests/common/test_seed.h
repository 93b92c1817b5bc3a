// The seed of a randomised test: fresh in every run, or the one named by
// KAL_TEST_SEED to replay a run. It is printed before the test draws
// anything, so that even a run that crashes can be replayed.
#ifndef KAL_TEST_SEED_H
#define KAL_TEST_SEED_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace kaltest {

inline unsigned testSeed()
{
    const char *given = std::getenv("KAL_TEST_SEED");
    const unsigned seed =
        given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::printf("[   SEED   ] KAL_TEST_SEED=%u replays %s.%s\n", seed,
                test ? test->test_suite_name() : "", test ? test->name() : "");
    std::fflush(stdout);
    return seed;
}

}  // namespace kaltest

#endif
