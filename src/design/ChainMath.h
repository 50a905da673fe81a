#pragma once
// Arithmetic of the recalculation chain. Values are computed in double and stored in single
// precision; a division by zero, an invalid result or a value too large for a single is an input
// error that ends the run.

#include <stdexcept>
#include <string>

namespace kel {

class ChainError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rounds to single precision; throws ChainError when the value is not finite or overflows.
float Single(double value);

// a / b; throws ChainError when b is 0 (0 / 0 included).
double Divide(double a, double b);

// Throws ChainError when value is NaN or infinite (a root of a negative number, say).
double Checked(double value);

}  // namespace kel
