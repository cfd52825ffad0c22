// The demo's command line: what it accepts and what it refuses, and why.
#include "app/DemoOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct TGoodCase
{
  const char* Name;
  Args Arguments;
  bool Help;
  std::optional<std::uint64_t> Seed;
  std::string Output, Screenshot;
};
void PrintTo(const TGoodCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class GoodCommandLine : public ::testing::TestWithParam<TGoodCase>
{
};

TEST_P(GoodCommandLine, GivesItsOptions)
{
  const TGoodCase C = GetParam();
  const TDemoOptions O = ParseDemoOptions(C.Arguments);
  EXPECT_EQ(O.Help, C.Help);
  EXPECT_EQ(O.Seed, C.Seed);
  EXPECT_EQ(O.OutputFile, C.Output);
  EXPECT_EQ(O.ScreenshotFile, C.Screenshot);
  EXPECT_EQ(O.Batch(), !C.Output.empty() || !C.Screenshot.empty());
}

INSTANTIATE_TEST_SUITE_P(
    DemoOptions, GoodCommandLine,
    ::testing::Values(
        TGoodCase{"Nothing", {}, false, {}, "", ""},
        TGoodCase{"Help", {"--help"}, true, {}, "", ""},
        TGoodCase{"ShortHelp", {"-h"}, true, {}, "", ""},
        TGoodCase{"SeedForTheWindow", {"--seed", "42"}, false, 42, "", ""},
        TGoodCase{"SeedZero", {"--seed=0"}, false, 0, "", ""},
        TGoodCase{"LargestSeed", {"--seed", "18446744073709551615"}, false, UINT64_MAX, "", ""},
        TGoodCase{"Output", {"--output", "map.png"}, false, {}, "map.png", ""},
        TGoodCase{"OutputAndSeedAnyOrder", {"--seed", "9", "--output=a b.png"}, false, 9, "a b.png", ""},
        TGoodCase{"Screenshot", {"--screenshot", "w.png", "--seed", "1"}, false, 1, "", "w.png"},
        TGoodCase{"OutputAndScreenshot", {"--output", "m.png", "--screenshot", "w.png"}, false, {}, "m.png",
                  "w.png"},
        TGoodCase{"FileNamedLikeAnOption", {"--output", "--seed"}, false, {}, "--seed", ""}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

struct TBadCase
{
  const char* Name;
  Args Arguments;
  const char* Message;
};
void PrintTo(const TBadCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class BadCommandLine : public ::testing::TestWithParam<TBadCase>
{
};

TEST_P(BadCommandLine, IsRefusedWithItsReason)
{
  const TBadCase C = GetParam();
  try {
    ParseDemoOptions(C.Arguments);
    ADD_FAILURE() << "accepted";
  } catch (const EDemoUsage& E) {
    EXPECT_EQ(E.Message(), C.Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    DemoOptions, BadCommandLine,
    ::testing::Values(
        TBadCase{"UnknownOption", {"--colour"}, "unknown option '--colour'"},
        TBadCase{"UnknownShortOption", {"-x"}, "unknown option '-x'"},
        TBadCase{"StrayArgument", {"map.png"}, "unexpected argument 'map.png'"},
        TBadCase{"SeedWithoutValue", {"--seed"}, "--seed needs a value"},
        TBadCase{"SeedNotANumber", {"--seed", "abc"},
                 "--seed: 'abc' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedNegative", {"--seed", "-1"},
                 "--seed: '-1' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedWithSign", {"--seed=+1"},
                 "--seed: '+1' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedTrailingJunk", {"--seed", "12x"},
                 "--seed: '12x' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedTooLarge", {"--seed", "18446744073709551616"},
                 "--seed: '18446744073709551616' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedEmpty", {"--seed="}, "--seed: '' is not a whole number from 0 to 18446744073709551615"},
        TBadCase{"SeedTwice", {"--seed", "1", "--seed", "1"}, "--seed given twice"},
        TBadCase{"OutputWithoutValue", {"--output"}, "--output needs a value"},
        TBadCase{"OutputEmpty", {"--output="}, "--output needs a file name"},
        TBadCase{"OutputTwice", {"--output", "a.png", "--output", "b.png"}, "--output given twice"},
        TBadCase{"ScreenshotWithoutValue", {"--seed", "1", "--screenshot"}, "--screenshot needs a value"},
        TBadCase{"HelpDoesNotHideAnError", {"--help", "--bogus"}, "unknown option '--bogus'"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(DemoOptions, UsageExplainsEveryOption)
{
  const std::string U = DemoUsage();
  for (const char* Word : {"--output FILE", "--seed N", "--screenshot FILE", "--help", "PNG", "500 x 500"})
    EXPECT_THAT(U, ::testing::HasSubstr(Word));
}

} // namespace
