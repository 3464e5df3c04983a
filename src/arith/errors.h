// Hard failures of the exact arithmetic: a checked 64-bit overflow outside the guarded
// operations, an index outside a fixed-size table, a division by zero. They are thrown as
// small typed exceptions; the run loop catches them for the knot at hand.
#pragma once

#include <stdexcept>
#include <string>

namespace corvane {

// Base of every hard failure a calculation can meet.
class CalculationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A plain 64-bit (or 32-bit) operation left the range of its type.
class OverflowError : public CalculationError {
  public:
    explicit OverflowError(const std::string& where)
        : CalculationError("integer overflow in " + where) {}
};

// An index outside the bounds of a fixed-size table.
class RangeError : public CalculationError {
  public:
    explicit RangeError(const std::string& where)
        : CalculationError("range check error in " + where) {}
};

}  // namespace corvane
