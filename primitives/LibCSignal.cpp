// Built-ins of the signal-processing entries nothing in the libraries calls:
// the windows, the FIR filter and the uniform random generator. Window
// weights and filter sums are formed at extended precision.
#include "primitives/KJMalloc.h"
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

using namespace LibC;

// --- Windows ---------------------------------------------------------------------
// Weights w(n), n = 0 .. N-1, multiply the elements (both parts of a complex
// one). Bartlett, Blackman, Hamming and Hann need N >= 3; Kaiser N >= 1.

namespace {

constexpr Extended Pi = std::numbers::pi_v<Extended>;

Extended Bartlett(int N, int ALen)
{
  const Extended X = Extended(2 * N) / (ALen - 1);
  return 2 * N <= ALen - 1 ? X : 2 - X;
}

Extended Hann(int N, int ALen) { return 0.5L - 0.5L * std::cos(2 * Pi * N / (ALen - 1)); }

Extended Hamming(int N, int ALen) { return 0.54L - 0.46L * std::cos(2 * Pi * N / (ALen - 1)); }

// (alpha + 1) / 2 - cos(2 pi n / (N - 1)) / 2 - alpha / 2 cos(4 pi n / (N - 1));
// alpha = -0.16 is the classic window.
Extended Blackman(int N, int ALen, Extended Alpha)
{
  const Extended T = 2 * Pi * N / (ALen - 1);
  return (Alpha + 1) / 2 - 0.5L * std::cos(T) - Alpha / 2 * std::cos(2 * T);
}

// The modified Bessel function of order 0, by its power series.
Extended BesselI0(Extended X)
{
  const Extended Q = X * X / 4;
  Extended Sum = 1, Term = 1;
  for (int K = 1; K < 100000; ++K) {
    Term *= Q / (Extended(K) * K);
    Sum += Term;
    if (Term < Sum * 1e-21L || !std::isfinite(Sum))
      break;
  }
  return Sum;
}

// I0(alpha sqrt(((N-1)/2)^2 - (n - (N-1)/2)^2)) / I0(alpha (N-1)/2).
struct TKaiser
{
  Extended Alpha, Half, Denominator;
  TKaiser(Extended AAlpha, int ALen)
      : Alpha(std::fabs(AAlpha)), Half(Extended(ALen - 1) / 2), Denominator(BesselI0(Alpha * Half))
  {
  }
  bool Valid() const { return std::isfinite(Denominator); }
  Extended operator()(int N) const
  {
    const Extended D = N - Half;
    const Extended R = Half * Half - D * D;
    return BesselI0(Alpha * std::sqrt(R > 0 ? R : 0)) / Denominator;
  }
};

template <class TWeight>
void Weigh(const Ipp64f* Src, Ipp64f* Dst, int Len, const TWeight& AWeight)
{
  for (int N = 0; N < Len; ++N)
    Dst[N] = static_cast<double>(Src[N] * AWeight(N));
}

template <class TWeight>
void WeighComplex(Ipp64fc* SrcDst, int Len, const TWeight& AWeight)
{
  for (int N = 0; N < Len; ++N) {
    const Extended W = AWeight(N);
    SrcDst[N] = {static_cast<double>(SrcDst[N].re * W), static_cast<double>(SrcDst[N].im * W)};
  }
}

IppStatus CheckWindow(const void* Src, const void* Dst, int Len, int AMinLen)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (Len < AMinLen)
    return ippStsSizeErr;
  return ippStsNoErr;
}

} // namespace

#define QD_WINDOW_ENTRIES(NAME, WEIGHT)                                                   \
  IppStatus LibC::ippsWin##NAME##_64f_I(Ipp64f* SrcDst, int Len)                       \
  {                                                                                    \
    if (IppStatus S = CheckWindow(SrcDst, SrcDst, Len, 3))                             \
      return S;                                                                        \
    Weigh(SrcDst, SrcDst, Len, [Len](int N) { return WEIGHT(N, Len); });               \
    return ippStsNoErr;                                                                \
  }                                                                                    \
  IppStatus LibC::ippsWin##NAME##_64f(const Ipp64f* Src, Ipp64f* Dst, int Len)         \
  {                                                                                    \
    if (IppStatus S = CheckWindow(Src, Dst, Len, 3))                                   \
      return S;                                                                        \
    Weigh(Src, Dst, Len, [Len](int N) { return WEIGHT(N, Len); });                     \
    return ippStsNoErr;                                                                \
  }                                                                                    \
  IppStatus LibC::ippsWin##NAME##_64fc_I(Ipp64fc* SrcDst, int Len)                     \
  {                                                                                    \
    if (IppStatus S = CheckWindow(SrcDst, SrcDst, Len, 3))                             \
      return S;                                                                        \
    WeighComplex(SrcDst, Len, [Len](int N) { return WEIGHT(N, Len); });                \
    return ippStsNoErr;                                                                \
  }

QD_WINDOW_ENTRIES(Bartlett, Bartlett)
QD_WINDOW_ENTRIES(Hann, Hann)
QD_WINDOW_ENTRIES(Hamming, Hamming)
#undef QD_WINDOW_ENTRIES

IppStatus LibC::ippsWinBlackman_64f_I(Ipp64f* SrcDst, int Len, Ipp64f Alpha)
{
  return ippsWinBlackman_64f(SrcDst, SrcDst, Len, Alpha);
}

IppStatus LibC::ippsWinBlackman_64f(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp64f Alpha)
{
  if (IppStatus S = CheckWindow(Src, Dst, Len, 3))
    return S;
  Weigh(Src, Dst, Len, [Len, Alpha](int N) { return Blackman(N, Len, Alpha); });
  return ippStsNoErr;
}

IppStatus LibC::ippsWinBlackman_64fc_I(Ipp64fc* SrcDst, int Len, Ipp64f Alpha)
{
  if (IppStatus S = CheckWindow(SrcDst, SrcDst, Len, 3))
    return S;
  WeighComplex(SrcDst, Len, [Len, Alpha](int N) { return Blackman(N, Len, Alpha); });
  return ippStsNoErr;
}

IppStatus LibC::ippsWinKaiser_64f_I(Ipp64f* SrcDst, int Len, Ipp32f Alpha)
{
  return ippsWinKaiser_64f(SrcDst, SrcDst, Len, Alpha);
}

IppStatus LibC::ippsWinKaiser_64f(const Ipp64f* Src, Ipp64f* Dst, int Len, Ipp32f Alpha)
{
  if (IppStatus S = CheckWindow(Src, Dst, Len, 1))
    return S;
  const TKaiser Kaiser(Alpha, Len);
  if (!Kaiser.Valid())
    return ippStsHugeWinErr;
  Weigh(Src, Dst, Len, Kaiser);
  return ippStsNoErr;
}

IppStatus LibC::ippsWinKaiser_64fc_I(Ipp64fc* SrcDst, int Len, Ipp32f Alpha)
{
  if (IppStatus S = CheckWindow(SrcDst, SrcDst, Len, 1))
    return S;
  const TKaiser Kaiser(Alpha, Len);
  if (!Kaiser.Valid())
    return ippStsHugeWinErr;
  WeighComplex(SrcDst, Len, Kaiser);
  return ippStsNoErr;
}

// --- FIR filter ------------------------------------------------------------------------
// Dst[n] = sum over k < TapsLen of Taps[k] x Src[n - k], where samples before
// the first come from the delay line. The delay line holds the TapsLen latest
// samples in time order (the oldest first), is taken from the caller at
// creation (zeros when null) and follows the input from call to call.

struct IppsFIRState_64f
{
  std::uint32_t Magic;
  int TapsLen;
  Ipp64f* Taps;  // TapsLen values, in the block
  Ipp64f* Delay; // TapsLen values, in the block
  Ipp64f* Next;  // room for the next delay line
};

namespace {
constexpr std::uint32_t FIRMagic = 0x46495236u; // identifies a state of this built-in

bool IsFIRState(const IppsFIRState_64f* AState) { return AState->Magic == FIRMagic; }
} // namespace

IppStatus LibC::ippsFIRInitAlloc_64f(IppsFIRState_64f** State, const Ipp64f* Taps, int TapsLen,
                                     const Ipp64f* DlyLine)
{
  if (!State || !Taps)
    return ippStsNullPtrErr;
  if (TapsLen < 1)
    return ippStsFIRLenErr;
  // One block: the state, then taps, delay line and the room for the next one.
  constexpr std::size_t Header = (sizeof(IppsFIRState_64f) + 31) / 32 * 32;
  const std::size_t Values = 3 * std::size_t(TapsLen);
  void* Block = KJMalloc(Header + Values * sizeof(Ipp64f));
  if (!Block)
    return ippStsMemAllocErr;
  auto* S = static_cast<IppsFIRState_64f*>(Block);
  auto* Data = reinterpret_cast<Ipp64f*>(static_cast<unsigned char*>(Block) + Header);
  *S = {FIRMagic, TapsLen, Data, Data + TapsLen, Data + 2 * TapsLen};
  std::memcpy(S->Taps, Taps, std::size_t(TapsLen) * sizeof(Ipp64f));
  if (DlyLine)
    std::memcpy(S->Delay, DlyLine, std::size_t(TapsLen) * sizeof(Ipp64f));
  else
    std::memset(S->Delay, 0, std::size_t(TapsLen) * sizeof(Ipp64f));
  *State = S;
  return ippStsNoErr;
}

IppStatus LibC::ippsFIRFree_64f(IppsFIRState_64f* State)
{
  if (!State)
    return ippStsNullPtrErr;
  if (!IsFIRState(State))
    return ippStsContextMatchErr;
  State->Magic = 0;
  KJFree(State);
  return ippStsNoErr;
}

// Src and Dst may be the same vector: outputs are formed from the last to the
// first, so every input is read before its place is written.
IppStatus LibC::ippsFIR_64f(const Ipp64f* Src, Ipp64f* Dst, int NumIters, IppsFIRState_64f* State)
{
  if (!Src || !Dst || !State)
    return ippStsNullPtrErr;
  if (NumIters < 1)
    return ippStsSizeErr;
  if (!IsFIRState(State))
    return ippStsContextMatchErr;
  const int T = State->TapsLen;
  // The next delay line: the last T samples of delay line and input together.
  for (int I = 0; I < T; ++I) {
    const long long From = static_cast<long long>(NumIters) - T + I; // index into Src
    State->Next[I] = From >= 0 ? Src[From] : State->Delay[T + From];
  }
  for (int N = NumIters - 1; N >= 0; --N) {
    Extended Sum = 0;
    for (int K = 0; K < T; ++K) {
      const int At = N - K;
      Sum += Extended(State->Taps[K]) * (At >= 0 ? Src[At] : State->Delay[T + At]);
    }
    Dst[N] = static_cast<double>(Sum);
  }
  std::swap(State->Delay, State->Next);
  return ippStsNoErr;
}

// --- Random numbers --------------------------------------------------------------------------
// A 32-bit linear congruential generator whose state is *Seed; each value is
// Low + (High - Low) x u with u uniform in [0, 1).

IppStatus LibC::ippsRandUniform_Direct_64f(Ipp64f* Dst, int Len, Ipp64f Low, Ipp64f High,
                                           unsigned int* Seed)
{
  if (!Dst || !Seed)
    return ippStsNullPtrErr;
  if (Len < 1)
    return ippStsSizeErr;
  std::uint32_t X = *Seed;
  const Extended Span = Extended(High) - Low;
  for (int I = 0; I < Len; ++I) {
    X = X * 1664525u + 1013904223u;
    Dst[I] = static_cast<double>(Low + Span * std::ldexp(Extended(X), -32));
  }
  *Seed = X;
  return ippStsNoErr;
}
