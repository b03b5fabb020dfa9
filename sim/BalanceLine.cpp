#include "sim/BalanceLine.h"

#include <cmath>
#include <cstdio>

std::string FormatBalanceLine(double grams) {
  long milligrams = std::lround(grams * 1000.0);
  // A reading that rounds to zero is shown as positive, as a balance does.
  char sign = milligrams < 0 ? '-' : '+';
  long magnitude = std::labs(milligrams);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c%5ld.%03ld g\r\n", sign, magnitude / 1000, magnitude % 1000);
  return buf;
}

std::string TBalanceSim::NextLine() {
  std::uniform_int_distribution<int> kind(0, 9);
  int k = kind(rng_);
  if (k == 0) return FormatBalanceLine(0.0);
  if (k == 1) return FormatBalanceLine(-std::uniform_real_distribution<double>(0.001, 0.5)(rng_));
  return FormatBalanceLine(std::uniform_real_distribution<double>(0.5, 250.0)(rng_));
}
