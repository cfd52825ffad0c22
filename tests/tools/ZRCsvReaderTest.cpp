#include "tools/ZRCsvReader.h"

#include "ToolFixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace ToolFixtures;

namespace {

struct TRow
{
  std::int64_t Line;
  std::vector<double> Values;
  friend bool operator==(const TRow&, const TRow&) = default;
  friend std::ostream& operator<<(std::ostream& AOut, const TRow& ARow)
  {
    AOut << "line " << ARow.Line << ":";
    for (double V : ARow.Values)
      AOut << " " << V;
    return AOut;
  }
};

std::vector<TRow> ReadAll(TZRCsvReader& AReader)
{
  std::vector<TRow> Rows;
  while (AReader.NextRow())
    Rows.push_back({AReader.LineNumber(), std::vector<double>(AReader.Values(), AReader.Values() + AReader.Columns())});
  return Rows;
}

/// Runs AAction and expects EZRInputError with exactly AMessage.
void ExpectInputError(const std::function<void()>& AAction, const std::string& AMessage)
{
  try {
    AAction();
    ADD_FAILURE() << "no error, expected: " << AMessage;
  } catch (const EZRInputError& E) {
    EXPECT_EQ(E.Message(), AMessage);
  }
}

class CsvReader : public ::testing::Test
{
protected:
  std::string File(const std::string& AText)
  {
    const std::string Path = (FFolder / "data.csv").string();
    WriteFile(Path, AText);
    return Path;
  }
  std::string Name() const { return (FFolder / "data.csv").string(); }

  TTempFolder FFolder;
};

// ---------------------------------------------------------------------------
// Lines and blocks
// ---------------------------------------------------------------------------

// Line ends, blank lines, a last line without its end and a line far longer
// than the block, read with blocks from 1 byte up: every split of a line
// between two reads must give the same rows.
TEST_F(CsvReader, RowsDoNotDependOnTheBlockSize)
{
  std::string Long = "1";
  std::vector<double> LongValues{1.0};
  for (int I = 2; I <= 60; ++I) {
    Long += "," + std::to_string(I);
    LongValues.push_back(I);
  }
  const std::string Text = "1,2\r\n\r\n \t \n3.5,-4\n\n" + Long + "\r\n5e-1,+6";
  const std::vector<TRow> Want{{1, {1, 2}}, {4, {3.5, -4}}, {6, LongValues}, {7, {0.5, 6}}};
  const std::string Path = File(Text);
  for (std::size_t Block : {1, 2, 3, 4, 5, 7, 8, 13, 64, 1 << 20}) {
    TZRCsvReader R(Path, Block);
    std::vector<TRow> Got;
    // Rows of different widths: read each with the width it has.
    for (std::size_t K = 0; K < Want.size(); ++K) {
      R.ExpectColumns(Want[K].Values.size(), "(test)");
      ASSERT_TRUE(R.NextRow()) << "block " << Block;
      Got.push_back({R.LineNumber(), std::vector<double>(R.Values(), R.Values() + R.Columns())});
    }
    EXPECT_FALSE(R.NextRow()) << "block " << Block;
    EXPECT_EQ(Got, Want) << "block " << Block;
  }
}

TEST_F(CsvReader, EmptyAndBlankFilesHaveNoRows)
{
  for (const char* Text : {"", "\n", "\r\n\r\n", "  \n\t\n"}) {
    TZRCsvReader R(File(Text));
    EXPECT_FALSE(R.NextRow()) << '"' << Text << '"';
  }
}

TEST_F(CsvReader, StandardInputIsNamedInMessages)
{
  TZRCsvReader R("-"); // the test runner's standard input is not read here
  EXPECT_EQ(R.Name(), "<stdin>");
}

TEST_F(CsvReader, MissingFileNamesTheFileAndTheReason)
{
  const std::string Path = (FFolder / "none.csv").string();
  ExpectInputError([&] { TZRCsvReader R(Path); }, Path + ": cannot open: No such file or directory");
}

TEST_F(CsvReader, FolderCannotBeRead)
{
  const std::string Path = FFolder.Path().string();
  ExpectInputError(
      [&] {
        TZRCsvReader R(Path);
        R.NextRow();
      },
      Path + ": cannot read: Is a directory");
}

// ---------------------------------------------------------------------------
// Headers
// ---------------------------------------------------------------------------

struct THeaderCase
{
  const char* Name;
  const char* Text;
  std::vector<TRow> Want;
};
void PrintTo(const THeaderCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CsvHeader : public CsvReader, public ::testing::WithParamInterface<THeaderCase>
{
};

TEST_P(CsvHeader, FirstLineWithoutNumbersIsSkipped)
{
  const THeaderCase C = GetParam();
  TZRCsvReader R(File(C.Text));
  EXPECT_EQ(ReadAll(R), C.Want);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CsvHeader,
    ::testing::Values(THeaderCase{"Header", "x,y\n1,2\n", {{2, {1, 2}}}},
                      THeaderCase{"HeaderAfterBlankLines", "\n \nx , y\r\n1,2\n", {{4, {1, 2}}}},
                      THeaderCase{"HeaderWithEmptyNames", "x,,\n1,2,3\n", {{2, {1, 2, 3}}}},
                      THeaderCase{"HeaderOnly", "label\n", {}},
                      THeaderCase{"ByteOrderMarkBeforeTheHeader", "\xEF\xBB\xBFx,y\n1,2\n", {{2, {1, 2}}}},
                      THeaderCase{"ByteOrderMarkBeforeData", "\xEF\xBB\xBF" "1,2\n3,4\n", {{1, {1, 2}}, {2, {3, 4}}}},
                      THeaderCase{"NoHeader", "1,2\n3,4\n", {{1, {1, 2}}, {2, {3, 4}}}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(CsvReader, FirstLineWithSomeNumbersIsABadDataLine)
{
  TZRCsvReader R(File("x,1\n2,3\n"));
  ExpectInputError([&] { R.NextRow(); }, Name() + ":1: column 1: 'x' is not a number");
}

TEST_F(CsvReader, ALaterTextLineIsNoHeader)
{
  TZRCsvReader R(File("1,2\nx,y\n"));
  ASSERT_TRUE(R.NextRow());
  ExpectInputError([&] { R.NextRow(); }, Name() + ":2: column 1: 'x' is not a number");
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

TEST_F(CsvReader, FieldFormsThatAreNumbers)
{
  TZRCsvReader R(File(" 1 ,+2,\t-3e1\t,.5,5.,1E+2,-0,4.9e-324\n"));
  ASSERT_TRUE(R.NextRow());
  const std::vector<double> Want{1, 2, -30, 0.5, 5, 100, -0.0, 4.9e-324};
  ASSERT_EQ(R.Columns(), Want.size());
  for (std::size_t I = 0; I < Want.size(); ++I)
    EXPECT_EQ(R.Values()[I], Want[I]) << "column " << I;
  EXPECT_TRUE(std::signbit(R.Values()[6]));
  EXPECT_EQ(R.FieldText(2), "-3e1");
}

TEST_F(CsvReader, NotANumberAndInfinityAreRead)
{
  TZRCsvReader R(File("nan,inf,-Infinity\n"));
  ASSERT_TRUE(R.NextRow());
  EXPECT_TRUE(std::isnan(R.Values()[0]));
  EXPECT_EQ(R.Values()[1], HUGE_VAL);
  EXPECT_EQ(R.Values()[2], -HUGE_VAL);
}

struct TBadFieldCase
{
  const char* Name;
  const char* Line; // the second line of the file; the first is "1,2,3"
  const char* Message; // after "NAME:2: "
};
void PrintTo(const TBadFieldCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class CsvBadField : public CsvReader, public ::testing::WithParamInterface<TBadFieldCase>
{
};

TEST_P(CsvBadField, NamesLineColumnAndText)
{
  const TBadFieldCase C = GetParam();
  TZRCsvReader R(File(std::string("1,2,3\n") + C.Line + "\n7,8,9\n"));
  ASSERT_TRUE(R.NextRow());
  ExpectInputError([&] { R.NextRow(); }, Name() + ":2: " + C.Message);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CsvBadField,
    ::testing::Values(
        TBadFieldCase{"Text", "4,abc,6", "column 2: 'abc' is not a number"},
        TBadFieldCase{"TextAfterANumber", "4,5x,6", "column 2: '5x' is not a number"},
        TBadFieldCase{"TwoNumbersInAField", "4,5 6,6", "column 2: '5 6' is not a number"},
        TBadFieldCase{"IncompleteExponent", "4,5,1e", "column 3: '1e' is not a number"},
        TBadFieldCase{"Hexadecimal", "0x10,5,6", "column 1: '0x10' is not a number"},
        TBadFieldCase{"PlusMinus", "4,+-5,6", "column 2: '+-5' is not a number"},
        TBadFieldCase{"LonePlus", "4,5,+", "column 3: '+' is not a number"},
        TBadFieldCase{"EmptyField", "4,,6", "column 2: empty field"},
        TBadFieldCase{"TrailingComma", "4,5,", "column 3: empty field"},
        TBadFieldCase{"BlankField", "4, \t,6", "column 2: empty field"},
        TBadFieldCase{"Overflow", "4,1e999,6", "column 2: '1e999' is out of the range of a double"},
        TBadFieldCase{"Underflow", "-1e-999,5,6", "column 1: '-1e-999' is out of the range of a double"},
        TBadFieldCase{"Unprintable", "4,a\x01\xff,6", "column 2: 'a\\x01\\xff' is not a number"},
        TBadFieldCase{"CarriageReturnInside", "4,5\r6,7", "column 2: '5\\x0d6' is not a number"},
        TBadFieldCase{"LongFieldIsCut", "4,5,abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz",
                      "column 3: 'abcdefghijklmnopqrstuvwxyzabcdefghijklmn...' is not a number"},
        TBadFieldCase{"FewerColumns", "4,5", "2 columns, expected 3 as on line 1"},
        TBadFieldCase{"MoreColumns", "4,5,6,7", "4 columns, expected 3 as on line 1"},
        TBadFieldCase{"OneColumn", "4", "1 column, expected 3 as on line 1"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(CsvReader, ExpectedWidthNamesItsOrigin)
{
  TZRCsvReader R(File("1,2,3\n"));
  R.ExpectColumns(2, "(the features of train.csv)");
  ExpectInputError([&] { R.NextRow(); }, Name() + ":1: 3 columns, expected 2 (the features of train.csv)");
}

TEST_F(CsvReader, FailNamesTheRowLastRead)
{
  TZRCsvReader R(File("\n1,2\n"));
  ASSERT_TRUE(R.NextRow());
  ExpectInputError([&] { R.FailColumn(1, "odd"); }, Name() + ":2: column 2: odd");
  ExpectInputError([&] { R.Fail("odd"); }, Name() + ":2: odd");
}

} // namespace
