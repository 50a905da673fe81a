#pragma once
// The fuses to fit: time-lag ("T") miniature fuses, 5 × 20 mm, of IEC 60127-2, the kind small
// mains transformers take. The primary's must carry the rated current and stand the switch-on
// pulse a thousand times; a secondary's carries its current with a margin.

#include <optional>
#include <span>
#include <string>

namespace kel {

// The rated currents of IEC 60127, A.
inline constexpr double kFuseRatingsA[] = {
    0.032, 0.04, 0.05, 0.063, 0.08, 0.1, 0.125, 0.16, 0.2, 0.25, 0.315, 0.4, 0.5,  0.63,
    0.8,   1,    1.25, 1.6,   2,    2.5, 3.15,  4,    5,   6.3,  8,     10,  12.5, 16};

// A typical T fuse melts at about this many times its rating squared, A²s; the maker's data
// sheet gives the one to trust.
inline constexpr double kMeltingI2tPerIn2 = 6.7;
// A pulse repeated about 1 000 times must stay under this part of the melting I²t.
inline constexpr double kPulseShare = 0.38;
// The primary's fuse carries at least this many times the rated current, and protects the
// winding from overload no more once it is above kOversizedTimes it.
inline constexpr double kPrimaryMargin = 1.5;
inline constexpr double kOversizedTimes = 4;
inline constexpr double kSecondaryMargin = 1.25;

// The smallest rating at or above current_a (a current within 1 ppm of a rating takes it), and
// above min_i2t_a2s in melting I²t; none when no rating of the series does.
std::optional<double> SmallestFuse(double current_a, double min_i2t_a2s = 0);

enum class FuseStatus { Ok, Oversized, None };

struct PrimaryFuse {
  std::optional<double> rating_a;
  FuseStatus status = FuseStatus::None;
  bool on_current_alone = false;  // the switch-on is not known: chosen on the current only
};
PrimaryFuse ChoosePrimaryFuse(double rated_current_a, std::optional<double> switch_on_i2t_a2s);

// As a winder buys it: "T 315 mA" below 1 A, "T 1,25 A" from 1 A.
std::string FuseText(double rating_a, char decimal_separator);

}  // namespace kel
