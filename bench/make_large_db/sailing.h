// Track points of a boat under way: straight legs at a steady speed, turns
// spread over a few fixes, speed changes and now and then a gap in the log
// (receiver off, harbour stop).
#pragma once

#include <cstdint>
#include <random>

namespace largedb {

struct Fix {
  double dayCount;   // days since 1899-12-30 00:00
  double latitude;   // degrees
  double longitude;  // degrees
};

class Boat {
public:
  // Starts at (latitude, longitude) in degrees at dayCount.
  Boat(std::mt19937_64& random, double dayCount, double latitude, double longitude);
  // The next fix of the log.
  Fix Next();

private:
  void NewLeg();

  std::mt19937_64& random_;
  Fix fix_;
  double course_ = 0;        // radians from north, clockwise
  double targetCourse_ = 0;  // reached by the turn in progress
  double speed_ = 3;         // m/s
  int32_t legLeft_ = 0;      // fixes until the next change of course
  double interval_ = 10;     // seconds between fixes
};

}  // namespace largedb
