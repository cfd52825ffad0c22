// The integer, complex and byte buffers of QDSimpleDataBuffer.h.
#include "buffers/QDSimpleDataBuffer.h"

#include "platform/Exceptions.h"
#include "primitives/QDScopeDispatcher.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

static_assert(sizeof(TXNRealComplex) == sizeof(Ipp64fc) &&
                  offsetof(TXNRealComplex, Imaginary) == offsetof(Ipp64fc, im),
              "the complex entries read TXNRealComplex as Ipp64fc");

namespace {
constexpr const char* SIndexOutOfRange = "Index out of range = %u";

/// The generic buffer behind an interface, or EInvalidCast.
TQDGenericBuffer& GenericInstance(IQDData* AData)
{
  auto* Instance = AData ? dynamic_cast<TQDGenericBuffer*>(AData->GetInstance()) : nullptr;
  if (!Instance)
    throw EInvalidCast(SInvalidCast);
  return *Instance;
}

template <class I>
I& Required(const TRef<I>& A)
{
  if (!A)
    throw EInvalidCast(SInvalidCast);
  return *A;
}

void CheckIndex(Integer Index, Cardinal ASize)
{
  // Negative indexes wrap to large unsigned values and fail the same test.
  if (static_cast<Cardinal>(Index) >= ASize)
    throw ERangeError(Format(SIndexOutOfRange, static_cast<Cardinal>(Index)));
}

int Len(Cardinal N) { return static_cast<int>(N); }

Ipp64fc* Cplx(TXNRealComplex* P) { return reinterpret_cast<Ipp64fc*>(P); }
const Ipp64fc* Cplx(const TXNRealComplex* P) { return reinterpret_cast<const Ipp64fc*>(P); }
Ipp64fc Cplx(const TXNRealComplex& V) { return Ipp64fc{V.Real, V.Imaginary}; }
Ipp64fc Cplx(Real AReal, Real AImag) { return Ipp64fc{AReal, AImag}; }
TXNRealComplex FromCplx(const Ipp64fc& V) { return TXNRealComplex{V.re, V.im}; }

Ipp32u* Bits(Integer* P) { return reinterpret_cast<Ipp32u*>(P); }
const Ipp32u* Bits(const Integer* P) { return reinterpret_cast<const Ipp32u*>(P); }

IppCmpOp Comparison(TQDThresholdType AType)
{
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

/// Whether two element ranges share memory.
bool Overlap(const void* A, std::size_t ABytes, const void* B, std::size_t BBytes)
{
  const auto* PA = static_cast<const Byte*>(A);
  const auto* PB = static_cast<const Byte*>(B);
  return ABytes > 0 && BBytes > 0 && PA < PB + BBytes && PB < PA + ABytes;
}

/// A new real buffer of N elements filled by AEntry from Src.
TRef<IQDRealBuffer> RealFrom(TippsReal_64fc AEntry, const TXNRealComplex* Src, Cardinal N)
{
  TRef<TQDRealBuffer> Result = TQDRealBuffer::CreateSize(N);
  if (N > 0)
    AEntry(Cplx(Src), Result->Write(), Len(N));
  return Result;
}
} // namespace

// ---------------------------------------------------------------------------
// TQDIntegerBuffer
// ---------------------------------------------------------------------------

TRef<TQDIntegerBuffer> TQDIntegerBuffer::Create()
{
  return CreateSize(0);
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateSize(Cardinal ASize)
{
  TRef<TQDIntegerBuffer> Result = FirstRef(new TQDIntegerBuffer);
  Result->AttachNewStorage(ASize);
  return Result;
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateData(const Integer* AData, Cardinal ASize)
{
  TRef<TQDIntegerBuffer> Result = CreateSize(ASize);
  if (AData && ASize > 0)
    std::memcpy(Result->FDataPtr, AData, std::size_t(ASize) * sizeof(Integer));
  return Result;
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateValue(Integer AValue, Cardinal ASize)
{
  TRef<TQDIntegerBuffer> Result = CreateSize(ASize);
  Result->SetValue(AValue);
  return Result;
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateEx(TQDIntegerBuffer* Other)
{
  TRef<TQDIntegerBuffer> Result = FirstRef(new TQDIntegerBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateCopy(const TRef<IQDIntegerBuffer>& Other)
{
  TRef<TQDIntegerBuffer> Result = FirstRef(new TQDIntegerBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDIntegerBuffer> TQDIntegerBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDIntegerBuffer> Result = FirstRef(new TQDIntegerBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

std::int32_t TQDIntegerBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDIntegerBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDLinearMemoryBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDIntegerBuffer::MakeCopy()
{
  return CreateEx(this);
}

Boolean TQDIntegerBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other || !dynamic_cast<TQDIntegerBuffer*>(Other->GetInstance()))
    return false;
  return TQDGenericBuffer::IsEqual(Other);
}

void TQDIntegerBuffer::CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest,
                              Cardinal DestOffset, Cardinal Count)
{
  auto* IntDest = Dest ? dynamic_cast<TQDIntegerBuffer*>(Dest->GetInstance()) : nullptr;
  if (!IntDest) {
    TQDGenericBuffer::CopyTo(SrcOffset, Dest, DestOffset, Count);
    return;
  }
  CheckRange(SrcOffset, Count, GetSize());
  CheckRange(DestOffset, Count, IntDest->GetSize());
  if (Count == 0)
    return;
  Integer* Target = IntDest->Modify() + DestOffset;
  const Integer* Source = Read() + SrcOffset;
  const std::size_t Bytes = std::size_t(Count) * sizeof(Integer);
  // The entry copies forwards only; a copy within one block may overlap.
  if (Overlap(Source, Bytes, Target, Bytes))
    std::memmove(Target, Source, Bytes);
  else
    ippsCopy_8u(reinterpret_cast<const Ipp8u*>(Source), reinterpret_cast<Ipp8u*>(Target),
                Len(Count) * Len(sizeof(Integer)));
}

Integer* TQDIntegerBuffer::Write()
{
  Unique(false);
  return reinterpret_cast<Integer*>(FDataPtr);
}

Integer* TQDIntegerBuffer::Modify()
{
  Unique(true);
  return reinterpret_cast<Integer*>(FDataPtr);
}

Integer TQDIntegerBuffer::GetItem(Integer Index)
{
  CheckIndex(Index, GetSize());
  return Read()[Index];
}

void TQDIntegerBuffer::SetItem(Integer Index, Integer Value)
{
  Unique(true);
  CheckIndex(Index, GetSize());
  reinterpret_cast<Integer*>(FDataPtr)[Index] = Value;
}

const Integer* TQDIntegerBuffer::Operand(const TRef<IQDIntegerBuffer>& Right, int& N)
{
  IQDIntegerBuffer& R = Required(Right);
  N = Len(std::min(GetSize(), R.GetSize()));
  return R.Read();
}

void TQDIntegerBuffer::Add(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsAdd_32s_ISfs(Src, Modify(), N, 0);
}

void TQDIntegerBuffer::Subtract(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsSub_32s_ISfs(Src, Modify(), N, 0);
}

void TQDIntegerBuffer::Multiply(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsMul_32s_ISfs(Src, Modify(), N, 0);
}

void TQDIntegerBuffer::Divide(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsDiv_32s_ISfs(Src, Modify(), N, 0);
}

void TQDIntegerBuffer::ModBuffer(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  Integer* Dst = Modify();
  for (int I = 0; I < N; ++I) {
    if (Src[I] == 0)
      throw EDivByZero(SDivByZero);
    // x mod -1 is 0; computing it would trap for the smallest value.
    Dst[I] = Src[I] == -1 ? 0 : Dst[I] % Src[I];
  }
}

void TQDIntegerBuffer::AndBuffer(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsAnd_32u_I(Bits(Src), Bits(Modify()), N);
}

void TQDIntegerBuffer::OrBuffer(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsOr_32u_I(Bits(Src), Bits(Modify()), N);
}

void TQDIntegerBuffer::XorBuffer(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  ippsXor_32u_I(Bits(Src), Bits(Modify()), N);
}

void TQDIntegerBuffer::LShift(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  Ipp32u* Dst = Bits(Modify());
  for (int I = 0; I < N; ++I)
    Dst[I] <<= (Src[I] & 31);
}

void TQDIntegerBuffer::RShift(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  Ipp32u* Dst = Bits(Modify());
  for (int I = 0; I < N; ++I)
    Dst[I] >>= (Src[I] & 31);
}

void TQDIntegerBuffer::SetValue(Integer AValue)
{
  ippsSet_32s(AValue, Write(), Len(GetSize()));
}

void TQDIntegerBuffer::AddValue(Integer AValue)
{
  if (AValue == 0)
    return;
  ippsAddC_32s_ISfs(AValue, Modify(), Len(GetSize()), 0);
}

void TQDIntegerBuffer::SubtractValue(Integer AValue)
{
  ippsSubC_32s_ISfs(AValue, Modify(), Len(GetSize()), 0);
}

void TQDIntegerBuffer::MultiplyValue(Integer AValue)
{
  if (AValue == 1)
    return;
  ippsMulC_32s_ISfs(AValue, Modify(), Len(GetSize()), 0);
}

void TQDIntegerBuffer::DivideValue(Integer AValue)
{
  if (AValue == 0 || AValue == 1)
    return;
  const Cardinal N = GetSize();
  auto Quotient = [AValue](Integer X) {
    // The one quotient that does not fit saturates, as the entries do.
    if (AValue == -1 && X == std::numeric_limits<Integer>::min())
      return std::numeric_limits<Integer>::max();
    return X / AValue;
  };
  if (!pDataContainer || pDataContainer->SingleOwner()) {
    Integer* Data = Modify();
    for (Cardinal I = 0; I < N; ++I)
      Data[I] = Quotient(Data[I]);
    return;
  }
  // Read the shared block while this buffer fills a fresh one: no copy first.
  TRef<TQDIntegerBuffer> Old = CreateEx(this);
  const Integer* Src = Old->Read();
  Integer* Dst = Write();
  for (Cardinal I = 0; I < N; ++I)
    Dst[I] = Quotient(Src[I]);
}

void TQDIntegerBuffer::ModValue(Integer AValue)
{
  const Cardinal N = GetSize();
  if (N == 0)
    return;
  if (AValue == 0)
    throw EDivByZero(SDivByZero);
  Integer* Data = Modify();
  for (Cardinal I = 0; I < N; ++I)
    Data[I] = AValue == -1 ? 0 : Data[I] % AValue;
}

void TQDIntegerBuffer::AndValue(Integer AValue)
{
  if (AValue == -1)
    return;
  ippsAndC_32u_I(static_cast<Ipp32u>(AValue), Bits(Modify()), Len(GetSize()));
}

void TQDIntegerBuffer::OrValue(Integer AValue)
{
  if (AValue == 0)
    return;
  ippsOrC_32u_I(static_cast<Ipp32u>(AValue), Bits(Modify()), Len(GetSize()));
}

void TQDIntegerBuffer::XorValue(Integer AValue)
{
  if (AValue == 0)
    return;
  ippsXorC_32u_I(static_cast<Ipp32u>(AValue), Bits(Modify()), Len(GetSize()));
}

void TQDIntegerBuffer::LShiftValue(Integer AValue)
{
  if (AValue == 0)
    return;
  ippsLShiftC_32s_I(AValue, Modify(), Len(GetSize()));
}

void TQDIntegerBuffer::RShiftValue(Integer AValue)
{
  if (AValue == 0)
    return;
  ippsRShiftC_32s_I(AValue, Modify(), Len(GetSize()));
}

void TQDIntegerBuffer::Zero()
{
  const Cardinal N = GetSize();
  ippsZero_16s(reinterpret_cast<Ipp16s*>(Write()), Len(2 * N));
}

Integer TQDIntegerBuffer::Dot(const TRef<IQDIntegerBuffer>& Right)
{
  int N;
  const Integer* Src = Operand(Right, N);
  Ipp32s Result = 0;
  ippsDotProd_32s_Sfs(Src, Read(), N, &Result, 0);
  return Result;
}

Integer TQDIntegerBuffer::GetMinValue()
{
  const Cardinal N = GetSize();
  return N == 0 ? 0 : *std::min_element(Read(), Read() + N);
}

Integer TQDIntegerBuffer::GetMaxValue()
{
  const Cardinal N = GetSize();
  return N == 0 ? 0 : *std::max_element(Read(), Read() + N);
}

// ---------------------------------------------------------------------------
// TQDComplexBuffer
// ---------------------------------------------------------------------------

TRef<TQDComplexBuffer> TQDComplexBuffer::Create()
{
  return CreateSize(0);
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateSize(Cardinal Size)
{
  TRef<TQDComplexBuffer> Result = FirstRef(new TQDComplexBuffer);
  Result->AttachNewStorage(Size);
  return Result;
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateData(const TXNRealComplex* Data, Cardinal Size)
{
  TRef<TQDComplexBuffer> Result = CreateSize(Size);
  if (Data && Size > 0)
    std::memcpy(Result->FDataPtr, Data, std::size_t(Size) * sizeof(TXNRealComplex));
  return Result;
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateValue(const TXNRealComplex& AValue, Cardinal ASize)
{
  TRef<TQDComplexBuffer> Result = CreateSize(ASize);
  Result->SetValue(AValue);
  return Result;
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateEx(TQDComplexBuffer* Other)
{
  TRef<TQDComplexBuffer> Result = FirstRef(new TQDComplexBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateCopy(const TRef<IQDComplexBuffer>& Other)
{
  TRef<TQDComplexBuffer> Result = FirstRef(new TQDComplexBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDComplexBuffer> TQDComplexBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDComplexBuffer> Result = FirstRef(new TQDComplexBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

std::int32_t TQDComplexBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDComplexBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDLinearMemoryBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDComplexBuffer::MakeCopy()
{
  return CreateEx(this);
}

Boolean TQDComplexBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other || !dynamic_cast<TQDComplexBuffer*>(Other->GetInstance()))
    return false;
  return TQDGenericBuffer::IsEqual(Other);
}

TXNRealComplex* TQDComplexBuffer::Write()
{
  Unique(false);
  return reinterpret_cast<TXNRealComplex*>(FDataPtr);
}

TXNRealComplex* TQDComplexBuffer::Modify()
{
  Unique(true);
  return reinterpret_cast<TXNRealComplex*>(FDataPtr);
}

TXNRealComplex TQDComplexBuffer::GetItem(Integer Index)
{
  CheckIndex(Index, GetSize());
  return Read()[Index];
}

void TQDComplexBuffer::SetItem(Integer Index, const TXNRealComplex& Value)
{
  Unique(true);
  CheckIndex(Index, GetSize());
  reinterpret_cast<TXNRealComplex*>(FDataPtr)[Index] = Value;
}

const TXNRealComplex* TQDComplexBuffer::Operand(const TRef<IQDComplexBuffer>& Src, int& N)
{
  IQDComplexBuffer& S = Required(Src);
  N = Len(std::min(GetSize(), S.GetSize()));
  // Taken before Self's Write: when Src shares Self's block, Self then moves to
  // a fresh block and Src keeps reading the old one.
  return S.Read();
}

TRef<IQDRealBuffer> TQDComplexBuffer::GetReal()
{
  return RealFrom(ippsReal_64fc, Read(), GetSize());
}

TRef<IQDRealBuffer> TQDComplexBuffer::GetImaginary()
{
  return RealFrom(ippsImag_64fc, Read(), GetSize());
}

void TQDComplexBuffer::Add(const TRef<IQDComplexBuffer>& Right)
{
  int N;
  const TXNRealComplex* Src = Operand(Right, N);
  ippsAdd_64fc_I(Cplx(Src), Cplx(Modify()), N);
}

void TQDComplexBuffer::Subtract(const TRef<IQDComplexBuffer>& Right)
{
  int N;
  const TXNRealComplex* Src = Operand(Right, N);
  ippsSub_64fc_I(Cplx(Src), Cplx(Modify()), N);
}

void TQDComplexBuffer::Multiply(const TRef<IQDComplexBuffer>& Right)
{
  int N;
  const TXNRealComplex* Src = Operand(Right, N);
  ippsMul_64fc_I(Cplx(Src), Cplx(Modify()), N);
}

void TQDComplexBuffer::Divide(const TRef<IQDComplexBuffer>& Right)
{
  int N;
  const TXNRealComplex* Src = Operand(Right, N);
  ippsDiv_64fc_I(Cplx(Src), Cplx(Modify()), N);
}

void TQDComplexBuffer::AddValue(Real AReal, Real AImag)
{
  ippsAddC_64fc_I(Cplx(AReal, AImag), Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::SubtractValue(Real AReal, Real AImag)
{
  ippsSubC_64fc_I(Cplx(AReal, AImag), Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::MultiplyValue(Real AReal, Real AImag)
{
  ippsMulC_64fc_I(Cplx(AReal, AImag), Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::DivideValue(Real AReal, Real AImag)
{
  ippsDivC_64fc_I(Cplx(AReal, AImag), Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::SetBuffer(const TRef<IQDRealBuffer>& AReal, const TRef<IQDRealBuffer>& AImag)
{
  IQDRealBuffer& Re = Required(AReal);
  IQDRealBuffer& Im = Required(AImag);
  const Cardinal N = std::min(Re.GetSize(), Im.GetSize());
  Resize(N, false);
  TXNRealComplex* Dst = Write();
  ippsRealToCplx_64f(Re.Read(), Im.Read(), Cplx(Dst), Len(N));
}

void TQDComplexBuffer::SetValue(Real AReal, Real AImag)
{
  ippsSet_64fc(Cplx(AReal, AImag), Cplx(Write()), Len(GetSize()));
}

void TQDComplexBuffer::SetValue(const TXNRealComplex& AValue)
{
  ippsSet_64fc(Cplx(AValue), Cplx(Write()), Len(GetSize()));
}

void TQDComplexBuffer::Zero()
{
  ippsZero_64fc(Cplx(Write()), Len(GetSize()));
}

void TQDComplexBuffer::NormalizeFrom(const TRef<IQDComplexBuffer>& Src, const TXNRealComplex& Offset,
                                     Real Factor)
{
  int N;
  const TXNRealComplex* From = Operand(Src, N);
  ippsNormalize_64fc(Cplx(From), Cplx(Write()), N, Cplx(Offset), Factor);
}

void TQDComplexBuffer::Normalize(const TXNRealComplex& Offset, Real Factor)
{
  // The second owner makes Write move Self to a fresh block, so the entry reads
  // the old values from the shared one.
  TRef<IQDComplexBuffer> Old = CreateEx(this);
  NormalizeFrom(Old, Offset, Factor);
}

TXNRealComplex TQDComplexBuffer::Dot(const TRef<IQDComplexBuffer>& Src)
{
  int N;
  const TXNRealComplex* From = Operand(Src, N);
  Ipp64fc Result{0.0, 0.0};
  ippsDotProd_64fc(Cplx(From), Cplx(Read()), N, &Result);
  return FromCplx(Result);
}

void TQDComplexBuffer::Threshold(Real AThreshold, TQDThresholdType AType)
{
  ippsThreshold_64fc_I(Cplx(Modify()), Len(GetSize()), AThreshold, Comparison(AType));
}

void TQDComplexBuffer::ThresholdFrom(const TRef<IQDComplexBuffer>& Src, Real AThreshold,
                                     TQDThresholdType AType)
{
  // A shorter Src gives its own length: the entry never reads past its end.
  int N;
  const TXNRealComplex* From = Operand(Src, N);
  ippsThreshold_64fc(Cplx(From), Cplx(Write()), N, AThreshold, Comparison(AType));
}

void TQDComplexBuffer::Sqr()
{
  ippsSqr_64fc_I(Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::Sqrt()
{
  ippsSqrt_64fc_I(Cplx(Modify()), Len(GetSize()));
}

void TQDComplexBuffer::SqrFrom(const TRef<IQDComplexBuffer>& Src)
{
  int N;
  const TXNRealComplex* From = Operand(Src, N);
  ippsSqr_64fc(Cplx(From), Cplx(Write()), N);
}

void TQDComplexBuffer::SqrtFrom(const TRef<IQDComplexBuffer>& Src)
{
  int N;
  const TXNRealComplex* From = Operand(Src, N);
  ippsSqrt_64fc(Cplx(From), Cplx(Write()), N);
}

void TQDComplexBuffer::AutoCorr(const TRef<IQDComplexBuffer>& Src, TQDAutoCorrType AType)
{
  IQDComplexBuffer& S = Required(Src);
  // The source length is Self's, but never more than Src holds.
  const Cardinal N = std::min(GetSize(), S.GetSize());
  // Every lag reads the whole source: a source in Self's own memory is copied
  // first, since Self is written in place when it is the only owner.
  TRef<TQDComplexBuffer> Held;
  const TXNRealComplex* From = S.Read();
  if (Overlap(From, N * sizeof(TXNRealComplex), Read(), GetByteSize())) {
    Held = CreateData(From, N);
    From = Held->Read();
  }
  TippsAutoCorr_64fc Entry = AType == actBiased     ? ippsAutoCorr_NormA_64fc
                             : AType == actUnbiased ? ippsAutoCorr_NormB_64fc
                                                    : ippsAutoCorr_64fc;
  Entry(Cplx(From), Len(N), Cplx(Write()), Len(N));
}

void TQDComplexBuffer::CrossCorr(const TRef<IQDComplexBuffer>& Src1, const TRef<IQDComplexBuffer>& Src2,
                                 Integer LoLag)
{
  IQDComplexBuffer& S1 = Required(Src1);
  IQDComplexBuffer& S2 = Required(Src2);
  const Cardinal N1 = S1.GetSize(), N2 = S2.GetSize();
  TRef<TQDComplexBuffer> Held1, Held2;
  const TXNRealComplex* From1 = S1.Read();
  const TXNRealComplex* From2 = S2.Read();
  // As in AutoCorr: sources in Self's own memory are copied first.
  if (Overlap(From1, N1 * sizeof(TXNRealComplex), Read(), GetByteSize())) {
    Held1 = CreateData(From1, N1);
    From1 = Held1->Read();
  }
  if (Overlap(From2, N2 * sizeof(TXNRealComplex), Read(), GetByteSize())) {
    Held2 = CreateData(From2, N2);
    From2 = Held2->Read();
  }
  ippsCrossCorr_64fc(Cplx(From1), Len(N1), Cplx(From2), Len(N2), Cplx(Write()), Len(GetSize()),
                     LoLag);
}

TRef<IQDRealBuffer> TQDComplexBuffer::Phase()
{
  return RealFrom(ippsPhase_64fc, Read(), GetSize());
}

TRef<IQDRealBuffer> TQDComplexBuffer::Magnitude()
{
  return RealFrom(ippsMagnitude_64fc, Read(), GetSize());
}

TRef<IQDRealBuffer> TQDComplexBuffer::PowerSpectrum()
{
  return RealFrom(ippsPowerSpectr_64fc, Read(), GetSize());
}

// ---------------------------------------------------------------------------
// TQDBlockBuffer
// ---------------------------------------------------------------------------

TRef<TQDBlockBuffer> TQDBlockBuffer::Create()
{
  return CreateSize(0);
}

TRef<TQDBlockBuffer> TQDBlockBuffer::CreateSize(Cardinal Size)
{
  TRef<TQDBlockBuffer> Result = FirstRef(new TQDBlockBuffer);
  Result->AttachNewStorage(Size);
  return Result;
}

TRef<TQDBlockBuffer> TQDBlockBuffer::CreateData(const void* Data, Cardinal Size)
{
  TRef<TQDBlockBuffer> Result = CreateSize(Size);
  if (Data && Size > 0)
    std::memcpy(Result->FDataPtr, Data, Size);
  return Result;
}

TRef<TQDBlockBuffer> TQDBlockBuffer::CreateEx(TQDBlockBuffer* Other)
{
  TRef<TQDBlockBuffer> Result = FirstRef(new TQDBlockBuffer);
  Result->ShareFrom(GenericInstance(Other));
  return Result;
}

TRef<TQDBlockBuffer> TQDBlockBuffer::CreateCopy(const TRef<IQDBlockBuffer>& Other)
{
  TRef<TQDBlockBuffer> Result = FirstRef(new TQDBlockBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

TRef<TQDBlockBuffer> TQDBlockBuffer::CreateUniversal(const TRef<IQDData>& Other)
{
  TRef<TQDBlockBuffer> Result = FirstRef(new TQDBlockBuffer);
  Result->ShareFrom(GenericInstance(Other.Get()));
  return Result;
}

std::int32_t TQDBlockBuffer::QueryInterface(const TGUID& AIID, void** AObj) noexcept
{
  if (QueryInterfaceOf<IQDBlockBuffer>(this, AIID, AObj))
    return S_OK;
  return TQDLinearMemoryBuffer::QueryInterface(AIID, AObj);
}

TRef<IQDData> TQDBlockBuffer::MakeCopy()
{
  return CreateEx(this);
}

Boolean TQDBlockBuffer::IsEqual(const TRef<IQDDataBuffer>& Other)
{
  if (!Other || !dynamic_cast<TQDBlockBuffer*>(Other->GetInstance()))
    return false;
  return TQDGenericBuffer::IsEqual(Other);
}

const Byte* TQDBlockBuffer::Operand(const TRef<IQDBlockBuffer>& Right, int& N)
{
  IQDBlockBuffer& R = Required(Right);
  N = Len(std::min(GetSize(), R.GetSize()));
  return R.Read();
}

void TQDBlockBuffer::Add(const TRef<IQDBlockBuffer>& Right)
{
  int N;
  const Byte* Src = Operand(Right, N);
  ippsAdd_8u_ISfs(Src, Modify(), N, 0);
}

void TQDBlockBuffer::Subtract(const TRef<IQDBlockBuffer>& Right)
{
  int N;
  const Byte* Src = Operand(Right, N);
  ippsSub_8u_ISfs(Src, Modify(), N, 0);
}

void TQDBlockBuffer::Multiply(const TRef<IQDBlockBuffer>& Right)
{
  int N;
  const Byte* Src = Operand(Right, N);
  ippsMul_8u_ISfs(Src, Modify(), N, 0);
}

void TQDBlockBuffer::Divide(const TRef<IQDBlockBuffer>& Right)
{
  int N;
  const Byte* Src = Operand(Right, N);
  Byte* Dst = Modify();
  for (int I = 0; I < N; ++I) {
    if (Src[I] == 0)
      throw EDivByZero(SDivByZero);
    Dst[I] = static_cast<Byte>(Dst[I] / Src[I]);
  }
}

void TQDBlockBuffer::SetValue(Byte AValue)
{
  ippsSet_8u(AValue, Write(), Len(GetSize()));
}

void TQDBlockBuffer::Zero()
{
  ippsZero_8u(Write(), Len(GetSize()));
}

Byte TQDBlockBuffer::GetItem(Integer Index)
{
  CheckIndex(Index, GetSize());
  return Read()[Index];
}

void TQDBlockBuffer::SetItem(Integer Index, Byte Value)
{
  Unique(true);
  CheckIndex(Index, GetSize());
  FDataPtr[Index] = Value;
}
