// Helpers shared by the primitive tests: the variants of a built-in that this
// processor runs, bit-exact comparison of doubles, ulp distances and seeded
// random inputs.
#pragma once

#include "primitives/LibCDispatcher.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace PrimitivesTest {

constexpr double Inf = std::numeric_limits<double>::infinity();
/// The NaN the built-ins store (quiet, sign bit set).
inline const double StoredNaN = std::bit_cast<double>(std::uint64_t(0xFFF8000000000000u));
/// A positive quiet NaN with a payload, to tell propagation from replacement.
inline const double PayloadNaN = std::bit_cast<double>(std::uint64_t(0x7FF8000000000123u));

inline std::uint64_t Bits(double X) { return std::bit_cast<std::uint64_t>(X); }

/// Every form of a built-in that this processor can run, named for messages:
/// the portable one and each wider variant that exists.
template <class F>
std::vector<std::pair<std::string, F>> VariantsOf(F APortable)
{
  std::vector<std::pair<std::string, F>> Result{{"portable", APortable}};
  if (F P = LibC::Variant(APortable, LibC::TIsa::Avx2))
    Result.emplace_back("avx2", P);
  if (F P = LibC::Variant(APortable, LibC::TIsa::Avx512))
    Result.emplace_back("avx512", P);
  return Result;
}

/// The instruction sets this processor runs, narrowest first, named for messages.
inline std::vector<std::pair<std::string, LibC::TIsa>> HostIsas()
{
  std::vector<std::pair<std::string, LibC::TIsa>> Result{{"portable", LibC::TIsa::Portable}};
  if (LibC::HostIsa() >= LibC::TIsa::Avx2)
    Result.emplace_back("avx2", LibC::TIsa::Avx2);
  if (LibC::HostIsa() >= LibC::TIsa::Avx512)
    Result.emplace_back("avx512", LibC::TIsa::Avx512);
  return Result;
}

/// Lengths around every unrolled step (2, 4 and 8 lanes, four vectors a step).
inline const std::vector<int> TailLengths = {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 65, 1000};

/// Distance in units of the last place between two finite doubles of one sign.
inline std::uint64_t UlpDistance(double A, double B)
{
  if (A == B)
    return 0;
  const auto Key = [](double X) {
    const std::int64_t I = std::bit_cast<std::int64_t>(X);
    return I < 0 ? std::numeric_limits<std::int64_t>::min() - I : I;
  };
  const std::int64_t KA = Key(A), KB = Key(B);
  return KA > KB ? std::uint64_t(KA - KB) : std::uint64_t(KB - KA);
}

/// Seeded values in [ALo, AHi), with a few exact zeros mixed in.
inline std::vector<double> RandomDoubles(std::size_t ACount, std::uint32_t ASeed, double ALo = -100,
                                         double AHi = 100)
{
  std::mt19937 Gen(ASeed);
  std::uniform_real_distribution<double> Dist(ALo, AHi);
  std::vector<double> V(ACount);
  for (std::size_t I = 0; I < ACount; ++I)
    V[I] = (I % 11 == 3) ? 0.0 : Dist(Gen);
  return V;
}

/// Bit-exact equality of two double vectors, NaN payloads and zero signs
/// included; the message names the first index that differs.
inline ::testing::AssertionResult SameBits(const std::vector<double>& AGot,
                                           const std::vector<double>& AWant)
{
  if (AGot.size() != AWant.size())
    return ::testing::AssertionFailure() << "sizes " << AGot.size() << " and " << AWant.size();
  for (std::size_t I = 0; I < AGot.size(); ++I)
    if (Bits(AGot[I]) != Bits(AWant[I]))
      return ::testing::AssertionFailure()
             << "index " << I << ": got " << AGot[I] << " (0x" << std::hex << Bits(AGot[I])
             << "), want " << AWant[I] << " (0x" << Bits(AWant[I]) << ")" << std::dec;
  return ::testing::AssertionSuccess();
}

/// Pointer to the data, or null for an empty vector (how the tables spell a
/// null argument).
template <class T>
T* DataOrNull(std::vector<T>& AVector)
{
  return AVector.empty() ? nullptr : AVector.data();
}

/// Names of table rows for INSTANTIATE_TEST_SUITE_P.
struct TRowName
{
  template <class P>
  std::string operator()(const ::testing::TestParamInfo<P>& AInfo) const
  {
    return AInfo.param.Name;
  }
};

} // namespace PrimitivesTest

/// Prints table rows by their names (in test listings and failures). Place it
/// in the namespace that declares the row types, so that lookup finds it.
#define ZR_PRINT_ROWS_BY_NAME                                                            \
  template <class T>                                                                     \
    requires requires(const T& R) { R.Name; }                                            \
  std::ostream& operator<<(std::ostream& AOut, const T& ARow)                            \
  {                                                                                      \
    return AOut << ARow.Name;                                                            \
  }
