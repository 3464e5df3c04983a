// The Blanchfield pairing of a generator of a cyclic Alexander module: the numerator of
// Bl(g, g) = (t - 1)·g(t⁻¹)ᵀ·(tV - Vᵀ)⁻¹·g(t) over det(tV - Vᵀ), and the recording of a generator
// and its pairing in the current knot's "ge" and "bl" result fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "arith/int_matrix.h"
#include "arith/polynomial.h"

namespace corvane {

struct KnotState;

// The Laurent polynomial t^(-(n div 2))·(t - 1)·g(t⁻¹)ᵀ·adj(tV - Vᵀ)·g(t) for the n × n Seifert
// matrix V and a column g of n polynomials with integral coefficients. adj is the true adjugate
// (adj(A)·A = det(A)·I), obtained from PolyDeterminant with the given cofactor block size and
// corrected by its exchange sign. With modulus m >= 0 the coefficients of (t - 1)·adj and of g
// are first reduced into 0..m-1; m = -1 reduces nothing.
// On failure ArithTrouble is set and nothing is returned: the elimination failed, the adjugate
// has non-integral coefficients or a power of t was stripped from the elimination (both trouble
// "mistake in polyadjugate 25"), a product passes degree 26, or the value leaves exponents
// -27..27 ("mlaurent"). Preconditions: 0 <= n <= 12, 1 <= blockSize <= 8, the entries of g have
// integral coefficients (denominator ±1).
std::optional<LaurentPoly> BlanchfieldNumerator(const IntMatrix& v, int n, const PolyVector& g,
                                                int32_t m, int32_t blockSize);

// The highest exponent of a Laurent text written in ascending order (LaurentText): the exponent
// after its last "t^", 1 when the text ends in "t", 0 when it has no positive exponent.
int32_t TopExponentOfText(std::string_view text);

// Records the generator g (entries 1..WorkingSize, in the basis of tV - Vᵀ) of the current
// knot's cyclic Alexander module and its Blanchfield value reduced modulo AlexanderLaurent
// (LaurentReduce). A new pair replaces the stored one when the stored pairing is empty, when the
// new value has a smaller top exponent, or when the top exponents agree and the new text is
// shorter; it is stored in generatorText and blanchfieldText and in the "ge" and "bl" fields,
// whose text slots keep at least 35 characters. When the pairing fails, only the generator is
// recorded, and only if no pairing is stored yet or its text is shorter than the stored one.
// Uses the run state's DetBlockSize. Leaves ArithTrouble set when the pairing failed.
void RecordCyclicGenerator(KnotState& state, const PolyVector& g);

}  // namespace corvane
