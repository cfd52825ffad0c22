#include "tools/ZRCsvReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

EZRInputError::~EZRInputError() = default;

namespace {

constexpr std::string_view StdinName = "<stdin>";
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
/// Longest field text a message shows.
constexpr std::size_t QuoteLimit = 40;

bool IsBlankChar(char C) noexcept
{
  return C == ' ' || C == '\t';
}

bool IsBlank(std::string_view ALine) noexcept
{
  for (char C : ALine)
    if (!IsBlankChar(C))
      return false;
  return true;
}

std::string_view Trim(std::string_view AText) noexcept
{
  while (!AText.empty() && IsBlankChar(AText.front()))
    AText.remove_prefix(1);
  while (!AText.empty() && IsBlankChar(AText.back()))
    AText.remove_suffix(1);
  return AText;
}

enum class TFieldStatus
{
  Ok,
  Empty,
  NotANumber,
  OutOfRange,
};

/// Reads the number at [AFrom, AEnd) up to the next comma. On success AValue
/// holds it and ANext points at the comma or at AEnd.
TFieldStatus ParseField(const char* AFrom, const char* AEnd, Real& AValue, const char*& ANext) noexcept
{
  const char* P = AFrom;
  while (P < AEnd && IsBlankChar(*P))
    ++P;
  if (P == AEnd || *P == ',') {
    ANext = P;
    return TFieldStatus::Empty;
  }
  // from_chars takes no '+'; "+-1" must stay wrong.
  if (*P == '+' && P + 1 < AEnd && P[1] != '-' && P[1] != '+')
    ++P;
  const std::from_chars_result R = std::from_chars(P, AEnd, AValue);
  const char* Q = R.ptr;
  if (R.ec == std::errc::invalid_argument)
    return TFieldStatus::NotANumber;
  while (Q < AEnd && IsBlankChar(*Q))
    ++Q;
  if (Q != AEnd && *Q != ',')
    return TFieldStatus::NotANumber;
  ANext = Q;
  return R.ec == std::errc() ? TFieldStatus::Ok : TFieldStatus::OutOfRange;
}

/// Field AColumn (from 0) of ALine, untrimmed; empty when there is none.
std::string_view RawField(std::string_view ALine, std::size_t AColumn) noexcept
{
  std::size_t Start = 0;
  for (std::size_t C = 0; C < AColumn; ++C) {
    const std::size_t Comma = ALine.find(',', Start);
    if (Comma == std::string_view::npos)
      return {};
    Start = Comma + 1;
  }
  const std::size_t Comma = ALine.find(',', Start);
  return ALine.substr(Start, Comma == std::string_view::npos ? std::string_view::npos : Comma - Start);
}

/// True when some field of ALine reads as a number.
bool HasNumber(std::string_view ALine) noexcept
{
  std::size_t Start = 0;
  for (;;) {
    const std::size_t Comma = ALine.find(',', Start);
    const std::string_view Field =
        ALine.substr(Start, Comma == std::string_view::npos ? std::string_view::npos : Comma - Start);
    Real V;
    const char* Next = nullptr;
    const TFieldStatus S = ParseField(Field.data(), Field.data() + Field.size(), V, Next);
    if (S == TFieldStatus::Ok || S == TFieldStatus::OutOfRange)
      return true;
    if (Comma == std::string_view::npos)
      return false;
    Start = Comma + 1;
  }
}

std::string SystemReason(int AErrno)
{
  return std::generic_category().message(AErrno);
}

} // namespace

// ---------------------------------------------------------------------------
// TZRLineReader
// ---------------------------------------------------------------------------

TZRLineReader::TZRLineReader(const std::string& APath, std::size_t ABlockSize)
    : FBlock(ABlockSize > 0 ? ABlockSize : 1)
{
  if (APath == "-") {
    FName = StdinName;
    FFd = STDIN_FILENO;
    return;
  }
  FName = APath;
  do
    FFd = ::open(APath.c_str(), O_RDONLY | O_CLOEXEC);
  while (FFd < 0 && errno == EINTR);
  if (FFd < 0)
    throw EZRInputError(FName + ": cannot open: " + SystemReason(errno));
  FOwnsFd = true;
}

TZRLineReader::~TZRLineReader()
{
  if (FOwnsFd)
    ::close(FFd);
}

bool TZRLineReader::Fill()
{
  if (FAtEnd)
    return false;
  // Keep the unfinished line, at the front of the block.
  if (FBegin > 0) {
    std::memmove(FBlock.data(), FBlock.data() + FBegin, FEnd - FBegin);
    FEnd -= FBegin;
    FScanned -= FBegin;
    FBegin = 0;
  }
  if (FEnd == FBlock.size())
    FBlock.resize(FBlock.size() * 2); // a line longer than the block
  ssize_t N;
  do
    N = ::read(FFd, FBlock.data() + FEnd, FBlock.size() - FEnd);
  while (N < 0 && errno == EINTR);
  if (N < 0)
    throw EZRInputError(FName + ": cannot read: " + SystemReason(errno));
  if (N == 0) {
    FAtEnd = true;
    return false;
  }
  FEnd += static_cast<std::size_t>(N);
  return true;
}

bool TZRLineReader::NextLine(std::string_view& ALine)
{
  for (;;) {
    const char* Base = FBlock.data();
    if (const void* NL = std::memchr(Base + FScanned, '\n', FEnd - FScanned)) {
      const std::size_t Stop = static_cast<std::size_t>(static_cast<const char*>(NL) - Base);
      ALine = std::string_view(Base + FBegin, Stop - FBegin);
      FBegin = FScanned = Stop + 1;
      break;
    }
    FScanned = FEnd;
    if (!Fill()) {
      if (FBegin == FEnd)
        return false;
      ALine = std::string_view(FBlock.data() + FBegin, FEnd - FBegin); // no final '\n'
      FBegin = FScanned = FEnd;
      break;
    }
  }
  if (!ALine.empty() && ALine.back() == '\r')
    ALine.remove_suffix(1);
  ++FLine;
  return true;
}

// ---------------------------------------------------------------------------
// TZRCsvReader
// ---------------------------------------------------------------------------

TZRCsvReader::TZRCsvReader(const std::string& APath, std::size_t ABlockSize)
    : FLines(APath, ABlockSize), FValues(8)
{
}

void TZRCsvReader::ExpectColumns(std::size_t AColumns, std::string AWhere)
{
  FExpected = AColumns;
  FExpectedWhere = std::move(AWhere);
}

bool TZRCsvReader::NextRow()
{
  std::string_view Line;
  for (;;) {
    if (!FLines.NextLine(Line))
      return false;
    if (FLines.LineNumber() == 1 && Line.starts_with(ByteOrderMark))
      Line.remove_prefix(ByteOrderMark.size());
    if (IsBlank(Line))
      continue;
    FLine = Line;

    const char* P = Line.data();
    const char* const End = P + Line.size();
    std::size_t N = 0;
    TFieldStatus Status = TFieldStatus::Ok;
    for (;;) {
      if (N == FValues.size())
        FValues.resize(2 * N);
      const char* Next = nullptr;
      Status = ParseField(P, End, FValues[N], Next);
      if (Status != TFieldStatus::Ok)
        break;
      ++N;
      if (Next == End)
        break;
      P = Next + 1;
    }

    const bool First = !FSeenContent;
    FSeenContent = true;
    if (Status != TFieldStatus::Ok) {
      if (First && !HasNumber(Line))
        continue; // the header
      switch (Status) {
      case TFieldStatus::Empty:
        FailColumn(N, "empty field");
      case TFieldStatus::OutOfRange:
        FailColumn(N, Quote(FieldText(N)) + " is out of the range of a double");
      default:
        FailColumn(N, Quote(FieldText(N)) + " is not a number");
      }
    }
    FColumns = N;
    if (FExpected == 0) {
      FExpected = N;
      FExpectedWhere = "as on line " + std::to_string(FLines.LineNumber());
    } else if (N != FExpected) {
      Fail(std::to_string(N) + (N == 1 ? " column" : " columns") + ", expected " + std::to_string(FExpected) + " " +
           FExpectedWhere);
    }
    return true;
  }
}

std::string_view TZRCsvReader::FieldText(std::size_t AColumn) const
{
  return Trim(RawField(FLine, AColumn));
}

void TZRCsvReader::Fail(const std::string& AWhat) const
{
  throw EZRInputError(Name() + ":" + std::to_string(LineNumber()) + ": " + AWhat);
}

void TZRCsvReader::FailColumn(std::size_t AColumn, const std::string& AWhat) const
{
  Fail("column " + std::to_string(AColumn + 1) + ": " + AWhat);
}

std::string TZRCsvReader::Quote(std::string_view AText)
{
  static constexpr char Hex[] = "0123456789abcdef";
  std::string Out = "'";
  const bool Cut = AText.size() > QuoteLimit;
  for (unsigned char C : AText.substr(0, QuoteLimit)) {
    if (C >= 0x20 && C < 0x7f) {
      Out += static_cast<char>(C);
    } else {
      Out += "\\x";
      Out += Hex[C >> 4];
      Out += Hex[C & 15];
    }
  }
  Out += Cut ? "...'" : "'";
  return Out;
}
