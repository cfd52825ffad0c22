// The vector operations of TQDRealBuffer: each one call of a dispatch entry on
// pointers chosen through the copy-on-write accessors. Source pointers are taken
// before Self's write pointer, so that an operation whose source is Self itself
// reads the old block when the write moves Self to a fresh one.
#include "buffers/QDSimpleDataBuffer.h"

#include "primitives/QDScopeDispatcher.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr const char* SNotAvailable = "%s is not available";
constexpr const char* SFailed = "%s failed with status %d";
constexpr const char* SNullPointer = "%s: the data pointer is null";
constexpr const char* SSourceTooShort = "%s: the source holds %u values, %u needed";
constexpr const char* STargetTooShort = "%s: the buffer holds %u values, %u needed";

// What Divide leaves where the divisor is 0 or NaN. Not symmetric, on purpose:
// stored results have always carried these two values.
constexpr Real DivZeroPositive = 1.0E15;
constexpr Real DivZeroOther = -1.0E14;

// Missing-data markers of the restricted extremes.
constexpr Real MissingLow = -1.7E308;
constexpr Real MissingHigh = 1.7E308;

/// A dispatch entry as filled at start-up, with its name for messages.
template <class F>
struct TEntry
{
  F Call;
  const char* Name;
};

/// EQDPrimitiveError when nothing supplied the entry: a call would jump to 0.
template <class F>
TEntry<F> Available(F AEntry, const char* AName)
{
  if (!AEntry)
    throw EQDPrimitiveError(Format(SNotAvailable, AName));
  return {AEntry, AName};
}
#define QD_ENTRY(N) Available(::N, #N)

/// Raises on an error status. Warnings pass, and so does any status of a call
/// that had nothing to do (AEmpty): its data is untouched either way.
void Check(IppStatus AStatus, const char* AName, bool AEmpty)
{
  if (AStatus >= 0 || AEmpty)
    return;
  throw EQDPrimitiveError(Format(SFailed, AName, AStatus));
}

IQDRealBuffer& Checked(const TRef<IQDRealBuffer>& ABuffer)
{
  if (!ABuffer)
    throw EInvalidCast(SInvalidCast);
  return *ABuffer;
}

Integer SizeOf(IQDRealBuffer& ABuffer)
{
  return static_cast<Integer>(ABuffer.GetSize());
}

void CheckPointer(const void* APtr, bool ANeeded, const char* AName)
{
  if (!APtr && ANeeded)
    throw EQDPrimitiveError(Format(SNullPointer, AName));
}

/// A source read for ANeeded values must hold them: the entry would read past it.
void CheckSource(Integer AHas, Integer ANeeded, const char* AName)
{
  if (AHas < ANeeded)
    throw ERangeError(Format(SSourceTooShort, AName, Cardinal(AHas), Cardinal(ANeeded)));
}

IppCmpOp Comparison(TQDThresholdType AType)
{
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

/// What an operation with a second buffer ran on.
struct TPass
{
  Integer Count;
  const Real* Src;
  Real* Dst;
  IppStatus Status;
};

/// Self[i] = Self[i] op Right[i] over the common prefix.
TPass InPlaceWith(TQDRealBuffer& ASelf, TEntry<TippsAdd_64f_I> AEntry,
                  const TRef<IQDRealBuffer>& ARight)
{
  IQDRealBuffer& Right = Checked(ARight);
  TPass Pass;
  Pass.Count = std::min(SizeOf(ASelf), SizeOf(Right));
  Pass.Src = Right.Read();
  Pass.Dst = ASelf.Modify();
  Pass.Status = AEntry.Call(Pass.Src, Pass.Dst, Pass.Count);
  Check(Pass.Status, AEntry.Name, Pass.Count == 0);
  return Pass;
}

void InPlace(TQDRealBuffer& ASelf, TEntry<TippsAbs_64f_I> AEntry)
{
  const Integer N = SizeOf(ASelf);
  Check(AEntry.Call(ASelf.Modify(), N), AEntry.Name, N == 0);
}

/// Self[i] = f(Src[i]) over the common prefix.
void FromSource(TQDRealBuffer& ASelf, TEntry<TippsAbs_64f> AEntry, const TRef<IQDRealBuffer>& ASrc)
{
  IQDRealBuffer& Src = Checked(ASrc);
  const Integer N = std::min(SizeOf(ASelf), SizeOf(Src));
  const Real* In = Src.Read();
  Check(AEntry.Call(In, ASelf.Write(), N), AEntry.Name, N == 0);
}

void ConstantInPlace(TQDRealBuffer& ASelf, TEntry<TippsAddC_64f_I> AEntry, Real AValue)
{
  const Integer N = SizeOf(ASelf);
  Check(AEntry.Call(AValue, ASelf.Modify(), N), AEntry.Name, N == 0);
}

/// Rounds to nearest with ties to even, or toward zero, and keeps the low 16
/// bits of the integer. Values without a 64-bit integer (NaN, beyond 2^63) give
/// the indefinite integer 2^63, whose low bits are 0.
SmallInt LowBits(Real AValue, Boolean ARound)
{
  Real R = std::trunc(AValue);
  if (ARound) {
    R = std::round(AValue);
    if (std::fabs(AValue - std::trunc(AValue)) == 0.5)
      R = 2 * std::round(AValue / 2);
  }
  if (!(std::fabs(R) < 0x1p63))
    return 0;
  return static_cast<SmallInt>(static_cast<Word>(static_cast<Int64>(R)));
}

bool IsMarker(Real AValue)
{
  return AValue == MissingLow || AValue == MissingHigh;
}

/// A new buffer of ASize values converted from AData by AEntry (AExtra: the
/// entry's arguments after the length).
template <class T, class F, class... A>
TRef<TQDRealBuffer> CreateConverted(const T* AData, Cardinal ASize, TEntry<F> AEntry, A... AExtra)
{
  TRef<TQDRealBuffer> Result = TQDRealBuffer::CreateSize(ASize);
  const Integer N = SizeOf(*Result);
  Check(AEntry.Call(AData, Result->Write(), N, AExtra...), AEntry.Name, N == 0);
  return Result;
}

// Unsigned sources have no conversion entry; every value is exact as a double.
template <class T>
TRef<TQDRealBuffer> CreateWidened(const T* AData, Cardinal ASize)
{
  TRef<TQDRealBuffer> Result = TQDRealBuffer::CreateSize(ASize);
  std::copy_n(AData, ASize, Result->Write());
  return Result;
}

} // namespace

// ---------------------------------------------------------------------------
// Typed-data constructors
// ---------------------------------------------------------------------------

TRef<TQDRealBuffer> TQDRealBuffer::CreateValue(Real AValue, Cardinal ASize)
{
  TRef<TQDRealBuffer> Result = CreateSize(ASize);
  Result->SetValue(AValue);
  return Result;
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateWordData(const Word* AData, Cardinal ASize)
{
  CheckPointer(AData, ASize > 0, "CreateWordData");
  return CreateWidened(AData, ASize);
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateSmallIntData(const SmallInt* AData, Cardinal ASize)
{
  CheckPointer(AData, ASize > 0, "CreateSmallIntData");
  return CreateConverted(AData, ASize, QD_ENTRY(ippsConvert_16s64f_Sfs), 0);
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateCardinalData(const Cardinal* AData, Cardinal ASize)
{
  CheckPointer(AData, ASize > 0, "CreateCardinalData");
  return CreateWidened(AData, ASize);
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateIntegerData(const Integer* AData, Cardinal ASize)
{
  CheckPointer(AData, ASize > 0, "CreateIntegerData");
  return CreateConverted(AData, ASize, QD_ENTRY(ippsConvert_32s64f));
}

TRef<TQDRealBuffer> TQDRealBuffer::CreateSingleData(const Single* AData, Cardinal ASize)
{
  CheckPointer(AData, ASize > 0, "CreateSingleData");
  return CreateConverted(AData, ASize, QD_ENTRY(ippsConvert_32f64f));
}

// ---------------------------------------------------------------------------
// Element-wise arithmetic
// ---------------------------------------------------------------------------

void TQDRealBuffer::VectorJaehne(Real AMagnitude)
{
  const auto F = QD_ENTRY(ippsVectorJaehne_64f);
  const Integer N = Count();
  Check(F.Call(Write(), N, AMagnitude), F.Name, N == 0);
}

void TQDRealBuffer::Add(const TRef<IQDRealBuffer>& Right)
{
  InPlaceWith(*this, QD_ENTRY(ippsAdd_64f_I), Right);
}

void TQDRealBuffer::Subtract(const TRef<IQDRealBuffer>& Right)
{
  InPlaceWith(*this, QD_ENTRY(ippsSub_64f_I), Right);
}

void TQDRealBuffer::Multiply(const TRef<IQDRealBuffer>& Right)
{
  InPlaceWith(*this, QD_ENTRY(ippsMul_64f_I), Right);
}

void TQDRealBuffer::Divide(const TRef<IQDRealBuffer>& Right)
{
  const TPass Pass = InPlaceWith(*this, QD_ENTRY(ippsDiv_64f_I), Right);
  if (Pass.Status != ippStsDivByZero)
    return;
  for (Integer I = 0; I < Pass.Count; ++I)
    if (Pass.Src[I] == 0 || std::isnan(Pass.Src[I]))
      Pass.Dst[I] = Pass.Dst[I] > 0 ? DivZeroPositive : DivZeroOther;
}

void TQDRealBuffer::SetValue(Real AValue)
{
  const auto F = QD_ENTRY(ippsSet_64f);
  const Integer N = Count();
  Check(F.Call(AValue, Write(), N), F.Name, N == 0);
}

// The neutral constants return before the copy-on-write: a shared block stays shared.

void TQDRealBuffer::AddValue(Real AValue)
{
  if (AValue == 0)
    return;
  ConstantInPlace(*this, QD_ENTRY(ippsAddC_64f_I), AValue);
}

void TQDRealBuffer::SubtractValue(Real AValue)
{
  if (AValue == 0)
    return;
  ConstantInPlace(*this, QD_ENTRY(ippsSubC_64f_I), AValue);
}

void TQDRealBuffer::MultiplyValue(Real AValue)
{
  if (AValue == 1)
    return;
  ConstantInPlace(*this, QD_ENTRY(ippsMulC_64f_I), AValue);
}

void TQDRealBuffer::DivideValue(Real AValue)
{
  if (AValue == 0 || AValue == 1)
    return;
  const auto F = QD_ENTRY(ippsDivC_64f_I);
  const Integer N = Count();
  const IppStatus Status = F.Call(AValue, Modify(), N);
  // The entry refuses a NaN constant as it refuses 0, leaving the values as
  // dividing by 0 does here: untouched, and no error.
  if (Status != ippStsDivByZeroErr)
    Check(Status, F.Name, N == 0);
}

void TQDRealBuffer::Zero()
{
  const auto F = QD_ENTRY(ippsZero_64f);
  const Integer N = Count();
  Check(F.Call(Write(), N), F.Name, N == 0);
}

// ---------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------

void TQDRealBuffer::ToInt(Integer* OutBuffer, Boolean ARound)
{
  const auto F = QD_ENTRY(ippsConvert_64f32s_Sfs);
  const Integer N = Count();
  CheckPointer(OutBuffer, N > 0, "ToInt");
  Check(F.Call(Read(), OutBuffer, N, ARound ? ippRndNear : ippRndZero, 0), F.Name,
        N == 0);
}

void TQDRealBuffer::ToShort(SmallInt* OutBuffer, Boolean ARound)
{
  const Integer N = Count();
  CheckPointer(OutBuffer, N > 0, "ToShort");
  const Real* In = Read();
  for (Integer I = 0; I < N; ++I)
    OutBuffer[I] = LowBits(In[I], ARound);
}

void TQDRealBuffer::ToSingle(Single* OutBuffer)
{
  const auto F = QD_ENTRY(ippsConvert_64f32f);
  const Integer N = Count();
  CheckPointer(OutBuffer, N > 0, "ToSingle");
  Check(F.Call(Read(), OutBuffer, N), F.Name, N == 0);
}

void TQDRealBuffer::FromInt(const Integer* InBuffer)
{
  const auto F = QD_ENTRY(ippsConvert_32s64f);
  const Integer N = Count();
  CheckPointer(InBuffer, N > 0, "FromInt");
  Check(F.Call(InBuffer, Write(), N), F.Name, N == 0);
}

void TQDRealBuffer::FromShort(const SmallInt* InBuffer)
{
  const auto F = QD_ENTRY(ippsConvert_16s64f_Sfs);
  const Integer N = Count();
  CheckPointer(InBuffer, N > 0, "FromShort");
  Check(F.Call(InBuffer, Write(), N, 0), F.Name, N == 0);
}

void TQDRealBuffer::FromSingle(const Single* InBuffer)
{
  const auto F = QD_ENTRY(ippsConvert_32f64f);
  const Integer N = Count();
  CheckPointer(InBuffer, N > 0, "FromSingle");
  Check(F.Call(InBuffer, Write(), N), F.Name, N == 0);
}

// ---------------------------------------------------------------------------
// Normalisation, dot product, thresholds
// ---------------------------------------------------------------------------

void TQDRealBuffer::NormalizeFrom(const TRef<IQDRealBuffer>& Src, Real Offset, Real Factor)
{
  IQDRealBuffer& Source = Checked(Src);
  const auto F = QD_ENTRY(ippsNormalize_64f);
  const Integer N = std::min(Count(), SizeOf(Source));
  const Real* In = Source.Read();
  Check(F.Call(In, Write(), N, Offset, Factor), F.Name, N == 0);
}

void TQDRealBuffer::Normalize(Real Offset, Real Factor)
{
  // A second owner of the block: Write moves Self to a fresh block while the
  // entry reads the old values from this one, released at the end.
  TRef<TQDRealBuffer> Old = CreateEx(this);
  try {
    NormalizeFrom(Old, Offset, Factor);
  } catch (...) {
    ShareFrom(*Old); // a refused Factor must not cost the values
    throw;
  }
}

Real TQDRealBuffer::Dot(const TRef<IQDRealBuffer>& Right)
{
  IQDRealBuffer& Other = Checked(Right);
  const auto F = QD_ENTRY(ippsDotProd_64f);
  const Integer N = std::min(Count(), SizeOf(Other));
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Other.Read(), Read(), N, &Result), F.Name, false);
  return Result;
}

void TQDRealBuffer::Threshold(Real AThreshold, TQDThresholdType AType)
{
  const auto F = QD_ENTRY(ippsThreshold_64f_I);
  const Integer N = Count();
  Check(F.Call(Modify(), N, AThreshold, Comparison(AType)), F.Name, N == 0);
}

void TQDRealBuffer::ThresholdFrom(const TRef<IQDRealBuffer>& Src, Real AThreshold,
                                  TQDThresholdType AType)
{
  IQDRealBuffer& Source = Checked(Src);
  const auto F = QD_ENTRY(ippsThreshold_64f);
  const Integer N = Count();
  CheckSource(SizeOf(Source), N, "ThresholdFrom");
  const Real* In = Source.Read();
  Check(F.Call(In, Write(), N, AThreshold, Comparison(AType)), F.Name, N == 0);
}

// ---------------------------------------------------------------------------
// Unary functions
// ---------------------------------------------------------------------------

void TQDRealBuffer::Sqr() { InPlace(*this, QD_ENTRY(ippsSqr_64f_I)); }
void TQDRealBuffer::SqrFrom(const TRef<IQDRealBuffer>& Src)
{
  FromSource(*this, QD_ENTRY(ippsSqr_64f), Src);
}
void TQDRealBuffer::Sqrt() { InPlace(*this, QD_ENTRY(ippsSqrt_64f_I)); }
void TQDRealBuffer::SqrtFrom(const TRef<IQDRealBuffer>& Src)
{
  FromSource(*this, QD_ENTRY(ippsSqrt_64f), Src);
}
void TQDRealBuffer::Abs() { InPlace(*this, QD_ENTRY(ippsAbs_64f_I)); }
void TQDRealBuffer::AbsFrom(const TRef<IQDRealBuffer>& Src)
{
  FromSource(*this, QD_ENTRY(ippsAbs_64f), Src);
}
void TQDRealBuffer::Exp() { InPlace(*this, QD_ENTRY(ippsExp_64f_I)); }
void TQDRealBuffer::ExpFrom(const TRef<IQDRealBuffer>& Src)
{
  FromSource(*this, QD_ENTRY(ippsExp_64f), Src);
}
void TQDRealBuffer::Ln() { InPlace(*this, QD_ENTRY(ippsLn_64f_I)); }
void TQDRealBuffer::LnFrom(const TRef<IQDRealBuffer>& Src)
{
  FromSource(*this, QD_ENTRY(ippsLn_64f), Src);
}

// ---------------------------------------------------------------------------
// Correlation and convolution
// ---------------------------------------------------------------------------

void TQDRealBuffer::AutoCorr(const TRef<IQDRealBuffer>& Src, TQDAutoCorrType AType)
{
  IQDRealBuffer& Source = Checked(Src);
  const TEntry<TippsAutoCorr_64f> F = AType == actBiased     ? QD_ENTRY(ippsAutoCorr_NormA_64f)
                                      : AType == actUnbiased ? QD_ENTRY(ippsAutoCorr_NormB_64f)
                                                             : QD_ENTRY(ippsAutoCorr_64f);
  const Integer SrcLen = Count();
  CheckSource(SizeOf(Source), SrcLen, "AutoCorr");
  const Integer DstLen = std::min(Count(), SizeOf(Source));
  const Real* In = Source.Read();
  Check(F.Call(In, SrcLen, Write(), DstLen), F.Name, SrcLen == 0);
}

void TQDRealBuffer::CrossCorr(const TRef<IQDRealBuffer>& Src1, const TRef<IQDRealBuffer>& Src2,
                              Integer LoLag)
{
  IQDRealBuffer& First = Checked(Src1);
  IQDRealBuffer& Second = Checked(Src2);
  const auto F = QD_ENTRY(ippsCrossCorr_64f);
  const Integer Len1 = SizeOf(First), Len2 = SizeOf(Second), N = Count();
  const Real* In1 = First.Read();
  const Real* In2 = Second.Read();
  Check(F.Call(In1, Len1, In2, Len2, Write(), N, LoLag), F.Name,
        Len1 == 0 || Len2 == 0 || N == 0);
}

void TQDRealBuffer::Convolve(const TRef<IQDRealBuffer>& Src, const TRef<IQDRealBuffer>& H)
{
  IQDRealBuffer& Signal = Checked(Src);
  IQDRealBuffer& Kernel = Checked(H);
  const auto F = QD_ENTRY(ippsConv_64f);
  const Integer Len1 = SizeOf(Signal), Len2 = SizeOf(Kernel);
  if (Len1 == 0 || Len2 == 0)
    return; // the entry would refuse the length, and nothing is written
  // The entry writes Len1 + Len2 - 1 values whatever Self holds.
  const UInt64 Needed = UInt64(Len1) + UInt64(Len2) - 1;
  if (GetSize() < Needed)
    throw ERangeError(Format(STargetTooShort, "Convolve", GetSize(), Cardinal(Needed)));
  const Real* In1 = Signal.Read();
  const Real* In2 = Kernel.Read();
  Check(F.Call(In1, Len1, In2, Len2, Write()), F.Name, false);
}

// ---------------------------------------------------------------------------
// Statistics and extremes
// ---------------------------------------------------------------------------

Real TQDRealBuffer::Mean()
{
  const auto F = QD_ENTRY(ippsMean_64f);
  const Integer N = Count();
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Read(), N, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::StdDev()
{
  const auto F = QD_ENTRY(ippsStdDev_64f);
  const Integer N = Count();
  if (N < 2)
    return 0; // the entry needs two values; one value does not spread
  Real Result = 0;
  Check(F.Call(Read(), N, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::Norm(const TRef<IQDRealBuffer>& Src, TQDNormType AType)
{
  IQDRealBuffer& Source = Checked(Src);
  const TEntry<TippsNormDiff_L1_64f> F = AType == ntL2Norm ? QD_ENTRY(ippsNormDiff_L2_64f)
                                         : AType == ntCNorm ? QD_ENTRY(ippsNormDiff_Inf_64f)
                                                            : QD_ENTRY(ippsNormDiff_L1_64f);
  const Integer N = Count();
  CheckSource(SizeOf(Source), N, "Norm");
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Source.Read(), Read(), N, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::GetMinValue()
{
  const auto F = QD_ENTRY(ippsMin_64f);
  const Integer N = Count();
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Read(), N, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::GetMaxValue()
{
  const auto F = QD_ENTRY(ippsMax_64f);
  const Integer N = Count();
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Read(), N, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::GetMinIndex(Integer& AIndex)
{
  AIndex = 0;
  const auto F = QD_ENTRY(ippsMinIndx_64f);
  const Integer N = Count();
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Read(), N, &Result, &AIndex), F.Name, false);
  return Result;
}

Real TQDRealBuffer::GetMaxIndex(Integer& AIndex)
{
  AIndex = 0;
  const auto F = QD_ENTRY(ippsMaxIndx_64f);
  const Integer N = Count();
  if (N == 0)
    return 0;
  Real Result = 0;
  Check(F.Call(Read(), N, &Result, &AIndex), F.Name, false);
  return Result;
}

Boolean TQDRealBuffer::ClampRange(Integer& ABegin, Integer& AEnd)
{
  const Integer Size = Count();
  if (Size == 0)
    return false; // no element for IndexBegin to fall back on
  if (ABegin < 0)
    ABegin = 0;
  if (AEnd < 0)
    AEnd = 0;
  if (AEnd > Size)
    AEnd = Size;
  if (ABegin >= Size)
    ABegin = Size - 1;
  return true;
}

Real TQDRealBuffer::GetMin(Integer IndexBegin, Integer IndexEnd)
{
  const auto F = QD_ENTRY(ippsMin_64f);
  if (!ClampRange(IndexBegin, IndexEnd) || IndexEnd <= IndexBegin)
    return 0;
  Real Result = 0;
  Check(F.Call(Read() + IndexBegin, IndexEnd - IndexBegin, &Result), F.Name, false);
  return Result;
}

Real TQDRealBuffer::GetMax(Integer IndexBegin, Integer IndexEnd)
{
  const auto F = QD_ENTRY(ippsMax_64f);
  if (!ClampRange(IndexBegin, IndexEnd) || IndexEnd <= IndexBegin)
    return 0;
  Real Result = 0;
  Check(F.Call(Read() + IndexBegin, IndexEnd - IndexBegin, &Result), F.Name, false);
  return Result;
}

// A missing first value takes part as 0; later ones are skipped.

Real TQDRealBuffer::GetMinRestricted(Integer IndexBegin, Integer IndexEnd)
{
  if (!ClampRange(IndexBegin, IndexEnd) || IndexEnd == IndexBegin)
    return 0;
  const Real* Data = Read();
  Real Result = IsMarker(Data[IndexBegin]) ? 0 : Data[IndexBegin];
  for (Integer I = IndexBegin + 1; I < IndexEnd; ++I)
    if (!IsMarker(Data[I]) && Data[I] < Result) // false for NaN
      Result = Data[I];
  return Result;
}

Real TQDRealBuffer::GetMaxRestricted(Integer IndexBegin, Integer IndexEnd)
{
  if (!ClampRange(IndexBegin, IndexEnd) || IndexEnd == IndexBegin)
    return 0;
  const Real* Data = Read();
  Real Result = IsMarker(Data[IndexBegin]) ? 0 : Data[IndexBegin];
  for (Integer I = IndexBegin + 1; I < IndexEnd; ++I)
    if (!IsMarker(Data[I]) && Data[I] > Result)
      Result = Data[I];
  return Result;
}
