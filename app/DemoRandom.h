//===- app/DemoRandom.h - The demo's random numbers -------------*- C++ -*-===//
///
/// \file
/// One process-wide generator of uniformly distributed whole numbers. The
/// program seeds it once at start-up, from the clock (`Randomize`) or with a
/// fixed seed (`SetRandSeed`), so that one seed always gives the same
/// sequence: the same clusters, the same picture.
///
/// \code
///   SetRandSeed(42);
///   const Integer X = Random(250);   // 0..249
/// \endcode
///
/// Thread safety: none; the demo draws on its GUI thread only.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/PlatformTypes.h"

#include <cstdint>

/// Seeds the generator from the clock.
void Randomize();
/// Seeds the generator with ASeed.
void SetRandSeed(std::uint64_t ASeed);
/// A uniformly distributed whole number in 0..ARange-1 (no modulo bias); 0
/// when ARange is below 1, without drawing.
Integer Random(Integer ARange);
