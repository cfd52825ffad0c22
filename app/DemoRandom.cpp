#include "app/DemoRandom.h"

#include <chrono>
#include <random>

namespace {
// A 64-bit Mersenne Twister: its sequence for a seed is fixed by the C++
// standard, unlike std::uniform_int_distribution's, so Random below reduces
// the raw numbers itself.
std::mt19937_64& Generator()
{
  static std::mt19937_64 G;
  return G;
}
} // namespace

void Randomize()
{
  const auto Now = std::chrono::system_clock::now().time_since_epoch().count();
  const auto Tick = std::chrono::steady_clock::now().time_since_epoch().count();
  SetRandSeed(static_cast<std::uint64_t>(Now) ^ (static_cast<std::uint64_t>(Tick) << 17));
}

void SetRandSeed(std::uint64_t ASeed)
{
  Generator().seed(ASeed);
}

Integer Random(Integer ARange)
{
  if (ARange < 1)
    return 0;
  const std::uint64_t Range = static_cast<std::uint64_t>(ARange);
  // Values below Skip would make the low residues more likely: 2^64 mod Range
  // of them are redrawn, and the rest hold every residue equally often.
  const std::uint64_t Skip = (0 - Range) % Range;
  std::uint64_t V;
  do
    V = Generator()();
  while (V < Skip);
  return static_cast<Integer>(V % Range);
}
