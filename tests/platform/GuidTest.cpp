#include "platform/Guid.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(TGUIDText, RoundTripsAndWritesUpperCase)
{
  const TGUID G = StringToGUID("{b9246bca-4961-415c-945f-257b3ea0ecfc}");
  EXPECT_EQ(G.D1, 0xB9246BCAu);
  EXPECT_EQ(G.D2, 0x4961u);
  EXPECT_EQ(G.D3, 0x415Cu);
  EXPECT_EQ(G.D4[0], 0x94);
  EXPECT_EQ(G.D4[7], 0xFC);
  EXPECT_EQ(GUIDToString(G), "{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
  EXPECT_EQ(StringToGUID(GUIDToString(G)), G);
}

TEST(TGUIDText, CompileTimeAndRunTimeParsingAgree)
{
  constexpr TGUID G = MakeGUID("{032C61EC-364E-4739-A2FE-E7DA0BA64939}");
  EXPECT_EQ(G, StringToGUID("{032C61EC-364E-4739-A2FE-E7DA0BA64939}"));
  EXPECT_NE(G, GUID_NULL);
}

class MalformedGuid : public ::testing::TestWithParam<const char*> {};

TEST_P(MalformedGuid, RaisesConvertErrorNamingTheText)
{
  const std::string Text = GetParam();
  try {
    StringToGUID(Text);
    FAIL() << "no error for " << Text;
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "'" + Text + "' is not a valid GUID value");
  }
}

INSTANTIATE_TEST_SUITE_P(Platform, MalformedGuid,
                         ::testing::Values("", "{}", "B9246BCA-4961-415C-945F-257B3EA0ECFC",
                                           "{B9246BCA-4961-415C-945F-257B3EA0ECF}",
                                           "{B9246BCA-4961-415C-945F-257B3EA0ECFCA}",
                                           "{B9246BCA+4961-415C-945F-257B3EA0ECFC}",
                                           "{B9246BCA-4961-415C-945F-257B3EA0ECFG}",
                                           "(B9246BCA-4961-415C-945F-257B3EA0ECFC)"));

TEST(TGUIDCreate, GivesDistinctVersion4Identifiers)
{
  std::set<std::string> Seen;
  for (int I = 0; I < 100; ++I) {
    const TGUID G = CreateGUID();
    EXPECT_EQ(G.D3 >> 12, 4);
    EXPECT_EQ(G.D4[0] & 0xC0, 0x80);
    Seen.insert(GUIDToString(G));
  }
  EXPECT_EQ(Seen.size(), 100u);
}

} // namespace
