// Checked scalar arithmetic on signed 64-bit integers and the per-thread trouble state.
// An exact computation that cannot stay exact sets ArithTrouble with a short code in
// TroubleCode and returns a harmless value; plain overflows throw OverflowError.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Soft-failure flag of the exact arithmetic and the code of the most recent failure. Per thread,
// like errno: no operation clears the flag; whoever begins a whole computation clears it and
// tests it afterwards. The flag is read after nearly every exact operation: the initial-exec TLS
// model keeps that one load also where the core is linked into a shared object (the Python
// module), where the default model calls __tls_get_addr on every access.
inline thread_local bool ArithTrouble __attribute__((tls_model("initial-exec"))) = false;
inline thread_local std::string TroubleCode __attribute__((tls_model("initial-exec")));

// Sets the trouble flag with its code.
void RaiseTrouble(const char* code);
// Clears the flag (the code is kept, as a record of the last failure).
inline void ClearTrouble() {
    ArithTrouble = false;
}

// a + b. Sums beyond e^41 (about 6.4e17) are refused with trouble "t" although they would fit in
// 64 bits; the result is then meaningless.
int64_t CheckedAdd(int64_t a, int64_t b);

// a·b. Returns 1 at once while ArithTrouble is set. Products whose logarithm reaches 42
// (e^42 ≈ 1.7e18) are refused with trouble "6".
int64_t CheckedMul(int64_t a, int64_t b);

// a div b truncated toward zero; b = 0 sets trouble "divv" and yields 1.
int64_t CheckedDiv(int64_t a, int64_t b);

// Symmetric residue of a modulo |m|: in -(m-1)/2..(m-1)/2 for odd m; for even m a residue of
// exactly ±m/2 keeps the sign of a. m = 0 sets trouble "divv" and yields 0.
int64_t SymMod(int64_t a, int64_t m);

// gcd(|a|, |b|) >= 0; gcd(a, 0) = |a|, gcd(0, 0) = 0. Throws OverflowError when the gcd is 2^63.
int64_t Gcd64(int64_t a, int64_t b);

// For n >= 2: true iff n has no divisor d with 2 <= d, d² <= n. False for n < 2.
bool IsPrime(int64_t n);

// Plain checked operations: throw OverflowError instead of wrapping.
int64_t PlainAdd(int64_t a, int64_t b);
int64_t PlainSub(int64_t a, int64_t b);
int64_t PlainMul(int64_t a, int64_t b);
int64_t PlainNeg(int64_t a);
int64_t PlainAbs(int64_t a);
// Narrowing to 32 bits; throws OverflowError when v does not fit.
int32_t ToInt32(int64_t v);

}  // namespace corvane
