// Tests of the time-left estimate and its clock text, worked out by hand.
#include <gtest/gtest.h>

#include <chrono>

#include "knot/progress.h"

namespace corvane {
namespace {

using std::chrono::seconds;

TEST(ProgressEstimate, TimeLeftIsTheAverageKnotTimesTheKnotsToCome) {
    struct Case {
        seconds elapsed;
        int done;
        int total;
        const char* left;
    };
    const Case cases[] = {
        {seconds(6), 12, 300, "0:02:24"},    // 1/2 s per knot, 288 to come
        {seconds(10), 1, 4321, "12:00:00"},  // 10 s per knot, 4320 to come
        {seconds(59), 0, 10, "0:00:00"},     // nothing done yet: no estimate
        {seconds(30), 10, 10, "0:00:00"},    // all done
        {seconds(3725), 1, 2, "1:02:05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClockText(TimeLeftEstimate(c.elapsed, c.done, c.total)), c.left)
            << c.done << " of " << c.total;
    }
}

}  // namespace
}  // namespace corvane
