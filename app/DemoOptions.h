//===- app/DemoOptions.h - The demo program's command line ------*- C++ -*-===//
///
/// \file
/// What `ZRNaiveBayesDemo` accepts. Without arguments it opens its window.
///
///   --seed N           seed the random numbers with N (0..2^64-1) instead of
///                      the clock: the same N gives the same picture
///   --output FILE      perform one Run without a window and write the
///                      500 x 500 picture to FILE as PNG
///   --screenshot FILE  perform one Run in an off-screen window and write an
///                      image of the whole window to FILE as PNG
///   --help, -h         explain this
///
/// Options take their value as the next argument or after '='
/// (`--seed=7`). A bad argument raises `EDemoUsage`; the program then exits
/// with status 2.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// A command line the program does not accept; the message says why.
class EDemoUsage : public Exception
{
public:
  using Exception::Exception;
  ~EDemoUsage() override;
};

struct TDemoOptions
{
  bool Help = false;
  std::optional<std::uint64_t> Seed; // empty: seeded from the clock
  std::string OutputFile;            // empty: no picture file
  std::string ScreenshotFile;        // empty: no window image

  /// One Run without a visible window, then exit.
  bool Batch() const noexcept { return !OutputFile.empty() || !ScreenshotFile.empty(); }
};

/// The options in AArgs (the arguments after the program name). Raises
/// EDemoUsage for an unknown option or argument, a missing or empty value, a
/// seed that is not a whole number in 0..2^64-1, or an option given twice.
TDemoOptions ParseDemoOptions(const std::vector<std::string>& AArgs);

/// The text --help prints.
std::string DemoUsage();
