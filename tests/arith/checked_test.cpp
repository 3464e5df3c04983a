#include <gtest/gtest.h>

#include "arith/checked.h"

namespace corvane {
namespace {

TEST(SymMod, Placeholder) { EXPECT_EQ(SymMod(4, 6), -2); }

}  // namespace
}  // namespace corvane
