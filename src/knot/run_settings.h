// The options of one run, taken from the front end when the run starts and constant during it.
// The efforts, value counts, computeMu, checkU3 and computeAll steer the calculation; the other
// booleans only choose which columns the results writers print.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvane {

// Every field is recorded in shard files and compared by the merge (output/shard_file.cpp).
struct RunSettings {
    int32_t ltValueCount = 16;         // roots of unity for the Levine-Tristram signatures
    int32_t mahlerValueCount = 16384;  // Mahler measure: printed decimals, fallback sample count
    int32_t nakanishiEffort = 1;       // 0..3: low, medium, large, very large
    int32_t unknottingEffort = 0;      // 0..3, the same scale
    bool algebraicUnknotting = true;
    bool alexander = true;
    bool mahler = false;
    bool signature = true;
    bool determinant = false;
    bool h1l2 = false;
    bool blanchfield = false;
    bool generator = false;
    bool levineTristram = false;
    bool presentationMatrix = false;
    bool nakanishi = true;
    bool computeMu = false;
    bool checkU3 = false;
    bool computeAll = false;
};

// The words with which the front ends offer the choices: the efforts 0..3, the items of
// LevineTristramValueCount and of MahlerValueCount.
inline constexpr std::array<std::string_view, 4> kEffortNames{"low", "medium", "large",
                                                              "very-large"};
inline constexpr std::array<std::string_view, 4> kLtValueNames{"16", "128", "1024", "8192"};
inline constexpr std::array<std::string_view, 3> kMahlerValueNames{"128", "16384", "2097152"};

// Number of Levine-Tristram values for the choice item 0..3: 16, 128, 1024, 8096. The last
// choice is offered as "8192 values" but the calculation uses 8096. RangeError for other items.
int32_t LevineTristramValueCount(int item);

// Number of Mahler measure sample points for the choice item 0..2: 128, 16384, 2097152.
// RangeError for other items.
int32_t MahlerValueCount(int item);

}  // namespace corvane
