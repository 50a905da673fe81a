#pragma once
// The mains a transformer must stand: its nominal volts, 10 % less and 10 % more (the tolerance
// IEC 60038 gives the 230 V mains). Every figure "at 90 %" or "at 110 %" of the mains reads these.

namespace kel {

inline constexpr double kLowMains = 0.9;
inline constexpr double kHighMains = 1.1;

}  // namespace kel
