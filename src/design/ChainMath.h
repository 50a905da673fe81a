#pragma once
// Arithmetic of the recalculation chain. Values are computed in double and stored in single
// precision; a division by zero, an invalid result or a value too large for a single is an input
// error that ends the run.

#include <stdexcept>
#include <string>
#include <utility>

namespace kel {

// What the user is told when a step does not say more.
inline constexpr const char* kCauseOutOfRange = "Valeur hors limites.";

class ChainError : public std::runtime_error {
 public:
  explicit ChainError(const std::string& what, std::string cause = kCauseOutOfRange)
      : std::runtime_error(what), cause_(std::move(cause)) {}
  // The cause in the user's words, shown under "Erreur de saisie".
  const std::string& Cause() const { return cause_; }

 private:
  std::string cause_;
};

// Rounds to single precision; throws ChainError when the value is not finite or overflows.
float Single(double value);

// a / b; throws ChainError when b is 0 (0 / 0 included), with cause when one is given.
double Divide(double a, double b, const char* cause = kCauseOutOfRange);

// Throws ChainError when value is NaN or infinite (a root of a negative number, say).
double Checked(double value);

}  // namespace kel
