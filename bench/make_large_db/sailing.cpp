#include "sailing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace largedb {
namespace {

constexpr double kEarthRadius = 6378137.0;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kDegree = std::numbers::pi / 180.0;

}  // namespace

Boat::Boat(std::mt19937_64& random, double dayCount, double latitude, double longitude)
    : random_(random), fix_{dayCount, latitude, longitude} {
  course_ = std::uniform_real_distribution<double>(0, 2 * std::numbers::pi)(random_);
  NewLeg();
}

void Boat::NewLeg() {
  std::uniform_real_distribution<double> unit(0, 1);
  // A tack or a new heading: 30° to 110° either way.
  const double turn = (30 + 80 * unit(random_)) * kDegree * (unit(random_) < 0.5 ? -1 : 1);
  targetCourse_ = course_ + turn;
  legLeft_ = 20 + static_cast<int32_t>(unit(random_) * 300);
  if (unit(random_) < 0.3) speed_ = 1.5 + 6.5 * unit(random_);  // wind or engine change
  interval_ = unit(random_) < 0.8 ? 10 : 30;
}

Fix Boat::Next() {
  std::uniform_real_distribution<double> unit(0, 1);
  if (--legLeft_ <= 0) NewLeg();
  // Turn at up to 15° a fix towards the leg's course, with some helm noise.
  const double left = targetCourse_ - course_;
  const double step = std::clamp(left, -15 * kDegree, 15 * kDegree);
  course_ += step + (unit(random_) - 0.5) * 2 * kDegree;
  double seconds = interval_;
  double metres = speed_ * (0.95 + 0.1 * unit(random_)) * seconds;
  if (unit(random_) < 0.0005) {
    // A gap: the log resumes 10 minutes to 3 hours later, a little elsewhere.
    seconds = 600 + unit(random_) * 10200;
    metres = unit(random_) * 2000;
  }
  const double latitude = fix_.latitude * kDegree;
  fix_.latitude += metres * std::cos(course_) / kEarthRadius / kDegree;
  fix_.longitude += metres * std::sin(course_) / (kEarthRadius * std::cos(latitude)) / kDegree;
  fix_.dayCount += seconds / kSecondsPerDay;
  return fix_;
}

}  // namespace largedb
