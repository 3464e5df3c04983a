// The 64-bit FNV-1a hash: the seeds of the knots' random generators and the identity of a knot
// list in shard files. Not cryptographic; stable across machines and runs.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

inline constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ULL;

// FNV-1a over the bytes, continuing from h (kFnvOffset to start).
inline uint64_t Fnv1a(uint64_t h, std::string_view bytes) {
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

}  // namespace corvane
