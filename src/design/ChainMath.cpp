#include "design/ChainMath.h"

#include <cmath>
#include <limits>

namespace kel {

float Single(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
    throw ChainError("overflow");
  }
  return static_cast<float>(value);
}

double Divide(double a, double b, const char* cause) {
  if (b == 0) throw ChainError("division by zero", cause);
  return Checked(a / b);
}

double Checked(double value) {
  if (!std::isfinite(value)) throw ChainError("invalid result");
  return value;
}

}  // namespace kel
