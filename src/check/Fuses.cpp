#include "check/Fuses.h"

#include <cmath>

#include "util/NumberText.h"

namespace kel {

std::optional<double> SmallestFuse(double current_a, double min_i2t_a2s) {
  if (!std::isfinite(current_a) || !std::isfinite(min_i2t_a2s)) return std::nullopt;
  for (const double rating : kFuseRatingsA) {
    if (rating >= current_a * (1 - 1e-6) &&
        kMeltingI2tPerIn2 * rating * rating >= min_i2t_a2s * (1 - 1e-6)) {
      return rating;
    }
  }
  return std::nullopt;
}

PrimaryFuse ChoosePrimaryFuse(double rated_current_a, std::optional<double> switch_on_i2t_a2s) {
  PrimaryFuse fuse;
  fuse.on_current_alone = !switch_on_i2t_a2s;
  fuse.rating_a = SmallestFuse(kPrimaryMargin * rated_current_a,
                               switch_on_i2t_a2s ? *switch_on_i2t_a2s / kPulseShare : 0);
  fuse.status = !fuse.rating_a                                       ? FuseStatus::None
                : *fuse.rating_a > kOversizedTimes * rated_current_a ? FuseStatus::Oversized
                                                                     : FuseStatus::Ok;
  return fuse;
}

std::string FuseText(double rating_a, char sep) {
  if (rating_a < 1) return "T " + std::to_string(std::lround(rating_a * 1000)) + " mA";
  return "T " + PlainNumber(rating_a, sep) + " A";
}

}  // namespace kel
