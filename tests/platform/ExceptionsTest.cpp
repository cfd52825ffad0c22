#include "platform/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(Format, FormatsLikePrintf)
{
  EXPECT_EQ(Format("Index out of range = %u", 4294967295u), "Index out of range = 4294967295");
  EXPECT_EQ(Format(SListIndexError, -1), "List index out of bounds (-1)");
  EXPECT_EQ(Format("%s", ""), "");
  const std::string Long(5000, 'x');
  EXPECT_EQ(Format("%s!", Long.c_str()), Long + "!");
}

TEST(ExceptionHierarchy, EveryClassIsCaughtAsExceptionWithItsMessage)
{
  auto Check = [](auto AError) {
    try {
      throw AError;
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), "boom");
      EXPECT_STREQ(E.what(), "boom");
    }
  };
  Check(ERangeError("boom"));
  Check(EInvalidCast("boom"));
  Check(EOutOfMemory("boom"));
  Check(EListError("boom"));
  Check(EConvertError("boom"));
  Check(EReadError("boom"));
  Check(EFCreateError("boom"));
}

TEST(ExceptionHierarchy, StreamErrorsShareTheirBase)
{
  EXPECT_THROW(throw EReadError("Stream read error"), EStreamError);
  EXPECT_THROW(throw EWriteError("Stream write error"), EStreamError);
  EXPECT_THROW(throw EFOpenError("x"), EStreamError);
}

} // namespace
