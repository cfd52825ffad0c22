//===- tools/ZRCsvReader.h - Rows of numbers from text files ---*- C++ -*-===//
///
/// \file
/// What zrnb reads: comma-separated numbers, one row per line.
///
/// - `TZRLineReader` reads a file (or standard input for "-") in large blocks
///   and hands out its lines without their `\n` or `\r\n`. A line is a view
///   into the block; nothing is allocated per line.
/// - `TZRCsvReader` turns the lines into rows of doubles with `std::from_chars`:
///   blank lines are skipped, and so is the first non-blank line when none of
///   its fields is a number (a header). A first line with some numbers and some
///   text is a data line with a bad field, reported like any other, so that a
///   broken first row is never dropped silently. Spaces and tabs around a field
///   are allowed, and so are a leading '+' and a UTF-8 byte-order mark.
///
/// Every problem raises `EZRInputError` with a message that starts with the
/// file and the line, and names the column where there is one (columns count
/// from 1, as lines do):
///
/// \code
///   TZRCsvReader R("train.csv");
///   while (R.NextRow())
///     Use(R.Values(), R.Columns());   // "train.csv:17: column 3: 'abc' is not a number"
/// \endcode
///
/// Thread safety: none; a reader belongs to one thread.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "platform/Exceptions.h"
#include "platform/PlatformTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// Input the tool cannot use: a missing or unreadable file, a field that is not
/// a number, a row of the wrong width, a file without data. The message is
/// complete ("NAME:LINE: ...") and is shown as it is.
class EZRInputError : public Exception
{
public:
  using Exception::Exception;
  ~EZRInputError() override;
};

/// The lines of a file, read in blocks of ABlockSize bytes (the block grows
/// for a longer line).
class TZRLineReader
{
public:
  static constexpr std::size_t DefaultBlockSize = std::size_t(1) << 20;

  /// Opens APath; "-" is standard input (shown as "<stdin>" in messages).
  /// Raises EZRInputError "NAME: cannot open: REASON".
  explicit TZRLineReader(const std::string& APath, std::size_t ABlockSize = DefaultBlockSize);
  /// Closes the file (never standard input).
  ~TZRLineReader();
  TZRLineReader(const TZRLineReader&) = delete;
  TZRLineReader& operator=(const TZRLineReader&) = delete;

  /// The next line without its terminator; false at the end of the file. The
  /// view is valid until the next call. Raises EZRInputError "NAME: cannot
  /// read: REASON".
  bool NextLine(std::string_view& ALine);
  /// Number of the line last returned, from 1.
  std::int64_t LineNumber() const noexcept { return FLine; }
  /// The file as messages name it.
  const std::string& Name() const noexcept { return FName; }

private:
  /// Reads more bytes behind the ones held; false at the end of the file.
  bool Fill();

  std::string FName;
  int FFd = -1;              // owned unless it is standard input
  bool FOwnsFd = false;
  std::vector<char> FBlock;  // FBlock[FBegin, FEnd) is not handed out yet
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
  std::size_t FScanned = 0;  // FBlock[FBegin, FScanned) holds no '\n'
  bool FAtEnd = false;
  std::int64_t FLine = 0;
};

/// Rows of numbers. Every data row has as many columns as the first one, or
/// as ExpectColumns says.
class TZRCsvReader
{
public:
  explicit TZRCsvReader(const std::string& APath, std::size_t ABlockSize = TZRLineReader::DefaultBlockSize);

  /// Every data row from now on must have AColumns columns; AWhere says where
  /// that count comes from, for the message ("the features of train.csv").
  void ExpectColumns(std::size_t AColumns, std::string AWhere);
  /// Reads the next data row; false at the end of the file. Raises
  /// EZRInputError for a field that is not a number (or is out of the range of
  /// a double) and for a row of the wrong width.
  bool NextRow();

  /// The numbers of the row last read, Columns() of them. Valid until the
  /// next NextRow.
  const Real* Values() const noexcept { return FValues.data(); }
  std::size_t Columns() const noexcept { return FColumns; }
  /// The text of column AColumn (from 0) of the row last read, without the
  /// spaces around it.
  std::string_view FieldText(std::size_t AColumn) const;
  /// Number of the line of the row last read, from 1.
  std::int64_t LineNumber() const noexcept { return FLines.LineNumber(); }
  const std::string& Name() const noexcept { return FLines.Name(); }

  /// Raises EZRInputError "NAME:LINE: AWhat" for the row last read.
  [[noreturn]] void Fail(const std::string& AWhat) const;
  /// Raises EZRInputError "NAME:LINE: column K: AWhat", K = AColumn + 1.
  [[noreturn]] void FailColumn(std::size_t AColumn, const std::string& AWhat) const;

  /// AText in single quotes for a message: bytes that do not print are
  /// escaped (\xHH) and a long text is cut.
  static std::string Quote(std::string_view AText);

private:
  TZRLineReader FLines;
  std::string_view FLine;     // the line of the row last read
  std::vector<Real> FValues;  // grows to the widest row, then stays
  std::size_t FColumns = 0;
  std::size_t FExpected = 0;  // 0: not known yet
  std::string FExpectedWhere;
  bool FSeenContent = false;  // a non-blank line was met (the header chance is gone)
};
