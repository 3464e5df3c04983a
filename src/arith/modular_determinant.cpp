#include "arith/modular_determinant.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "arith/errors.h"

namespace corvane {

namespace {

constexpr int64_t kSmallLimit = int64_t{1} << 29;
constexpr int64_t kPrimeCeiling = (int64_t{1} << 31) - 1;
// Each prime exceeds 2^30.99; 160 of them cover the Hadamard bound of 70 rows of 64-bit entries,
// 70·(63 + log2 √70) < 4850 bits.
constexpr int kPrimeCount = 160;
constexpr long double kBitsPerPrime = 30.99L;

// The kPrimeCount largest primes below 2^31, found once: trial division by the primes up to
// √(2^31) < 46341, which a sieve lists.
const std::vector<int64_t>& Primes() {
    static const std::vector<int64_t> primes = [] {
        constexpr int kRootCeiling = 46341;
        std::vector<bool> composite(kRootCeiling + 1, false);
        std::vector<int64_t> small;
        for (int64_t k = 2; k <= kRootCeiling; ++k) {
            if (composite[static_cast<size_t>(k)]) continue;
            small.push_back(k);
            for (int64_t j = k * k; j <= kRootCeiling; j += k)
                composite[static_cast<size_t>(j)] = true;
        }
        const auto isPrime = [&](int64_t n) {
            for (const int64_t q : small) {
                if (q * q > n) break;
                if (n % q == 0) return false;
            }
            return true;
        };
        std::vector<int64_t> found;
        for (int64_t c = kPrimeCeiling; static_cast<int>(found.size()) < kPrimeCount; c -= 2) {
            if (isPrime(c)) found.push_back(c);
        }
        return found;
    }();
    return primes;
}

int64_t Residue(int64_t a, int64_t p) {
    const int64_t r = a % p;
    return r < 0 ? r + p : r;
}

int64_t PowMod(int64_t base, int64_t exponent, int64_t p) {
    int64_t result = 1;
    for (; exponent > 0; exponent >>= 1) {
        if (exponent & 1) result = result * base % p;
        base = base * base % p;
    }
    return result;
}

// det A mod p by Gaussian elimination over F_p, as a residue in 0..p-1.
int64_t DeterminantModulo(const IntMatrix& a, int n, int64_t p) {
    std::vector<int64_t> m(static_cast<std::size_t>(n * n));
    auto at = [&](int i, int j) -> int64_t& { return m[static_cast<std::size_t>(i * n + j)]; };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) at(i, j) = Residue(a(i + 1, j + 1), p);
    }
    int64_t det = 1;
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        while (pivot < n && at(pivot, k) == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != k) {
            for (int j = k; j < n; ++j) std::swap(at(pivot, j), at(k, j));
            det = p - det;
        }
        det = det * at(k, k) % p;
        const int64_t inverse = PowMod(at(k, k), p - 2, p);
        for (int i = k + 1; i < n; ++i) {
            if (at(i, k) == 0) continue;
            const int64_t factor = at(i, k) * inverse % p;
            for (int j = k; j < n; ++j) {
                at(i, j) = Residue(at(i, j) - factor * at(k, j) % p, p);
            }
        }
    }
    return det % p;
}

// log2 of the Hadamard bound Π_i ||row_i||; -infinity when a row is zero.
long double HadamardBits(const IntMatrix& a, int n) {
    long double bits = 0.0L;
    for (int i = 1; i <= n; ++i) {
        long double squares = 0.0L;
        for (int j = 1; j <= n; ++j) {
            const auto x = static_cast<long double>(a(i, j));
            squares += x * x;
        }
        if (squares == 0.0L) return -INFINITY;
        bits += std::log2(squares) / 2.0L;
    }
    return bits;
}

}  // namespace

std::optional<int64_t> SmallDeterminant(const IntMatrix& a, int n) {
    if (n < 0 || n > kMatrixDim) throw RangeError("SmallDeterminant size");
    if (n == 0) return 1;
    const long double hadamard = HadamardBits(a, n);
    if (hadamard == -INFINITY) return 0;
    // P > 2(H + 2^29) holds once the primes carry max(log2 H, 29) + 2 bits.
    const long double needed = std::max(hadamard, 29.0L) + 2.0L;
    const std::vector<int64_t>& primes = Primes();
    std::optional<int64_t> agreed;
    long double bits = 0.0L;
    for (const int64_t p : primes) {
        if (bits >= needed) return agreed;
        int64_t r = DeterminantModulo(a, n, p);
        if (r > p / 2) r -= p;
        if (r <= -kSmallLimit || r >= kSmallLimit) return std::nullopt;
        if (agreed && *agreed != r) return std::nullopt;
        agreed = r;
        bits += kBitsPerPrime;
    }
    return agreed;
}

}  // namespace corvane
