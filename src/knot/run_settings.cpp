#include "knot/run_settings.h"

#include <array>
#include <cstddef>

#include "arith/errors.h"

namespace corvane {

int32_t LevineTristramValueCount(int item) {
    constexpr std::array<int32_t, 4> kCounts{16, 128, 1024, 8096};
    if (item < 0 || item >= static_cast<int>(kCounts.size())) {
        throw RangeError("Levine-Tristram choice");
    }
    return kCounts[static_cast<std::size_t>(item)];
}

int32_t MahlerValueCount(int item) {
    constexpr std::array<int32_t, 3> kCounts{128, 16384, 2097152};
    if (item < 0 || item >= static_cast<int>(kCounts.size())) throw RangeError("Mahler choice");
    return kCounts[static_cast<std::size_t>(item)];
}

}  // namespace corvane
