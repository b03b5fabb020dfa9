// Weighings as a laboratory balance prints them: sign, value right-aligned in nine places with
// three decimals, blank, unit, CR LF ("+   12.345 g\r\n", "-    0.210 g\r\n").
#pragma once

#include <random>
#include <string>

// Formats one weighing in grams; values are rounded to milligrams.
std::string FormatBalanceLine(double grams);

// Produces a plausible series: mostly samples on the pan, sometimes an empty pan after tare
// (zero or a small negative drift).
class TBalanceSim {
 public:
  explicit TBalanceSim(unsigned seed) : rng_(seed) {}
  std::string NextLine();

 private:
  std::mt19937 rng_;
};
