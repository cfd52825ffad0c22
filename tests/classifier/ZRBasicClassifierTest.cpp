#include "classifier/ZRBasicClassifier.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr Real NaN = std::numeric_limits<Real>::quiet_NaN();
constexpr Real Inf = std::numeric_limits<Real>::infinity();

struct TAddCase
{
  const char* Name;
  std::vector<Real> Added;
  std::vector<Integer> Indexes; // what each AddLabel returns
  Integer Count;
};
void PrintTo(const TAddCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class AddLabel : public ::testing::TestWithParam<TAddCase>
{
};

TEST_P(AddLabel, ReturnsTheIndexOfFirstAppearance)
{
  const TAddCase P = GetParam();
  TZRLabels L;
  std::vector<Integer> Got;
  for (Real V : P.Added)
    Got.push_back(L.AddLabel(V));
  EXPECT_EQ(Got, P.Indexes);
  ASSERT_EQ(L.GetCount(), P.Count);
  // Each label sits at the index AddLabel first gave it.
  for (std::size_t I = 0; I < P.Added.size(); ++I) {
    const Real Stored = L.GetLabel(P.Indexes[I]);
    if (std::isnan(P.Added[I]))
      EXPECT_TRUE(std::isnan(Stored));
    else
      EXPECT_EQ(Stored, P.Added[I]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    TZRLabels, AddLabel,
    ::testing::Values(TAddCase{"RepeatFindsTheFirst", {2.0, 1.0, 2.0}, {0, 1, 0}, 2},
                      TAddCase{"ExactComparison", {1.0, 1.0000000001, 1.0}, {0, 1, 0}, 2},
                      TAddCase{"SignedZerosAreEqual", {0.0, -0.0}, {0, 0}, 1},
                      TAddCase{"NaNNeverMatches", {NaN, NaN}, {0, 1}, 2},
                      TAddCase{"Infinities", {Inf, -Inf, Inf}, {0, 1, 0}, 2},
                      TAddCase{"ManyDistinct", {5, 4, 3, 2, 1, 3, 5}, {0, 1, 2, 3, 4, 2, 0}, 5}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(TZRLabels, FindLabelLeavesIndexAloneWhenThereIsNoMatch)
{
  TZRLabels L;
  Integer Index = 42;
  EXPECT_FALSE(L.FindLabel(1.0, Index)) << "empty table";
  EXPECT_EQ(Index, 42);
  L.AddLabel(3.0);
  L.AddLabel(1.0);
  EXPECT_FALSE(L.FindLabel(2.0, Index));
  EXPECT_EQ(Index, 42);
  EXPECT_TRUE(L.FindLabel(1.0, Index));
  EXPECT_EQ(Index, 1);
}

TEST(TZRLabels, ClearStartsTheIndexesAgain)
{
  TZRLabels L;
  L.AddLabel(7.0);
  L.AddLabel(8.0);
  L.Clear();
  EXPECT_EQ(L.GetCount(), 0);
  EXPECT_EQ(L.AddLabel(8.0), 0);
  EXPECT_EQ(L.GetLabel(0), 8.0);
}

TEST(TZRLabels, GetLabelOutsideTheTableIsARangeError)
{
  TZRLabels L;
  L.AddLabel(1.0);
  L.AddLabel(2.0);
  for (Integer Bad : {-1, 2, 100}) {
    try {
      L.GetLabel(Bad);
      ADD_FAILURE() << "no error for " << Bad;
    } catch (const ERangeError& E) {
      EXPECT_EQ(E.Message(), Format("Index out of range = %u", static_cast<Cardinal>(Bad)));
    }
  }
}

} // namespace
