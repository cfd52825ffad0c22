// Built-ins of the three resize entries. The interpolating methods run in two
// separable passes: every source row that a destination row needs is
// interpolated horizontally once into a small row cache, and each destination
// row combines cached rows vertically, so consecutive destination rows that
// share source rows share their horizontal work. Coordinates and weights are
// computed once per call into tables (one entry per destination column and
// per destination row); all work memory is one block obtained before the
// first pixel is written, so a call that cannot get it leaves the
// destination alone.
//
// The portable built-ins use SSE2, which every x86-64 runs; the AVX2 variants
// (found by VariantOf, chosen once by LibC::Best) add byte shuffles and wider
// steps to the linear kernel and to two-column super-sampling blocks. All
// vector code performs the same integer or single-precision operations in
// the same order as the scalar code beside it (no fused multiply-add), so
// every form gives the same bytes.
#include "primitives/LibCResize.h"

#include "primitives/KJMalloc.h"
#include "primitives/LibCCommon.h"
#include "primitives/LibCDispatcher.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace {

std::atomic<bool> GWorkMemoryFails{false};

// Keeps positions that come out a hair below an integer on the integer.
constexpr double Eps = 1e-7;
// Added before truncating a float result to a byte.
constexpr float RoundUp = 0.5000001f;
// 1.0 in the linear weights (14-bit fixed point).
constexpr int One = 16384;
// Extra elements behind every row buffer: the vector stores of a pixel may
// write one element past it, the vector loads read up to four past it.
constexpr std::size_t RowSlack = 16;

// --- Geometry -------------------------------------------------------------------

// One axis of a call.
struct TAxis
{
  int Len;       // source rectangle, clipped to the image
  int Lo, Hi;    // first and last image index, relative to the rectangle's origin
  double Factor; // destination over source
  int Out;       // written length
};

// The written length along an axis, or -1 when it comes out below half a pixel.
int WrittenLength(int ARoiLen, double AFactor, int ADstLen)
{
  const double Exact = AFactor * ARoiLen + Eps;
  const double Whole = std::trunc(Exact);
  if (Whole <= 0)
    return Exact >= 0.5 ? 1 : -1;
  return Whole >= ADstLen ? ADstLen : static_cast<int>(Whole);
}

// Source position of destination index AI for the interpolating kernels: the
// first and last destination pixels land on the first and last source pixels.
double Position(const TAxis& A, int AI)
{
  const double Span = A.Factor * A.Len;
  if (Span <= 1)
    return 0;
  return AI * double(A.Len - 1) / (Span - 1);
}

int BaseIndex(const TAxis& A, double AP)
{
  return std::min(static_cast<int>(AP + Eps), A.Len - 1);
}

int NearestIndex(const TAxis& A, int AI)
{
  const double P = std::min((AI + 0.5) / A.Factor + Eps, double(A.Len - 1));
  return static_cast<int>(P);
}

struct TLinearTap
{
  int Index; // of the left (upper) pixel; its neighbour follows
  int W1;    // weight of the neighbour; the pixel itself has One - W1
};

TLinearTap LinearTap(const TAxis& A, int AI)
{
  const double P = Position(A, AI);
  const int J = BaseIndex(A, P);
  if (J >= A.Hi)
    return {A.Hi - 1, One};
  return {J, static_cast<int>(Eps + One * (P - J))};
}

// Four-point Lagrange interpolation through the pixels Start .. Start + 3,
// written as forward differences; the coefficients belong to the offset t of
// the position from the window's second pixel.
struct TCubicTap
{
  int Start;
  float C1, C2, C3; // t + 1, (t + 1) t / 2, (t + 1) t (t - 1) / 6
};

TCubicTap CubicTap(const TAxis& A, int AI)
{
  const double P = Position(A, AI);
  const int J = BaseIndex(A, P);
  int Start;
  double T;
  // At the image's edges the window moves inside and t follows it.
  if (J == A.Lo) {
    Start = J;
    T = P - (J + 1);
  } else if (J >= A.Hi) {
    Start = A.Hi - 3;
    T = 2;
  } else if (J == A.Hi - 1) {
    Start = J - 2;
    T = P - (J - 1);
  } else {
    Start = J - 1;
    T = P - J;
  }
  return {Start, float(T + 1), float((T + 1) * T / 2), float((T + 1) * T * (T - 1) / 6)};
}

inline float Cubic(float A, float B, float C, float D, float C1, float C2, float C3)
{
  const float D1 = B - A;
  const float D2 = (C - B) - D1;
  const float D3 = ((D - (C + C)) + B) - ((C - (B + B)) + A);
  return ((A + C1 * D1) + C2 * D2) + C3 * D3;
}

// The three-lobe Lanczos kernel at x = 0.00, 0.01, ... 3.00, and a 0 after.
const float* LanczosTable()
{
  static const std::array<float, 302> Table = [] {
    std::array<float, 302> T{};
    T[0] = 1;
    for (int I = 1; I < 300; ++I) {
      const double PX = std::numbers::pi * (I / 100.0);
      T[I] = static_cast<float>(3 * std::sin(PX) * std::sin(PX / 3) / (PX * PX));
    }
    return T;
  }();
  return Table.data();
}

struct TLanczosTaps
{
  int Index[6]; // j - 2 .. j + 3, edge pixels repeated outside the image
  float W[6];   // normalised to a sum of 1
};

TLanczosTaps LanczosTaps(const TAxis& A, int AI, const float* ATable)
{
  const double P = Position(A, AI);
  const int J = BaseIndex(A, P);
  const double T = P - J;
  TLanczosTaps R;
  float Sum = 0;
  for (int K = 0; K < 6; ++K) {
    R.Index[K] = std::clamp(J + K - 2, A.Lo, A.Hi);
    const double U = 100 * std::fabs(T - (K - 2));
    const int Cell = std::min(static_cast<int>(U), 300);
    const float F = static_cast<float>(U - Cell);
    R.W[K] = ATable[Cell] + F * (ATable[Cell + 1] - ATable[Cell]);
    Sum += R.W[K];
  }
  for (float& W : R.W)
    W /= Sum;
  return R;
}

// Super-sampling: destination index AI covers [AI / F, (AI + 1) / F) of the
// source, cut to the rectangle; the pixels at the ends count with the covered
// fraction.
struct TSpan
{
  int First, Count;
  int Weights; // offset of the first weight
};

int BuildSpans(const TAxis& A, TSpan* ASpans, float* AWeights)
{
  int N = 0;
  for (int I = 0; I < A.Out; ++I) {
    const double From = I / A.Factor;
    const double To = std::min((I + 1) / A.Factor, double(A.Len));
    const int First = std::min(static_cast<int>(From), A.Len - 1);
    const int Last = std::max(First, std::min(static_cast<int>(std::ceil(To)) - 1, A.Len - 1));
    ASpans[I] = {First, Last - First + 1, N};
    for (int X = First; X <= Last; ++X)
      AWeights[N++] = static_cast<float>(std::min(X + 1.0, To) - std::max(double(X), From));
  }
  return N;
}

// --- Work memory -------------------------------------------------------------------

// The pieces are laid out first, then one block holds them all.
class TWork
{
public:
  template <class T>
  std::size_t Reserve(std::size_t ACount)
  {
    const std::size_t At = FSize;
    FSize += (ACount * sizeof(T) + 31) & ~std::size_t(31);
    return At;
  }
  bool Obtain()
  {
    if (GWorkMemoryFails.load(std::memory_order_relaxed))
      return false;
    FBlock.reset(static_cast<unsigned char*>(KJMalloc(FSize)));
    return FBlock != nullptr;
  }
  template <class T>
  T* At(std::size_t AOffset) const
  {
    return reinterpret_cast<T*>(FBlock.get() + AOffset);
  }

private:
  std::size_t FSize = 0;
  TKJWorkVector<unsigned char> FBlock;
};

// --- A call ----------------------------------------------------------------------------

struct TCall
{
  const Ipp8u* Origin; // first pixel of the source rectangle
  int SrcStep;
  Ipp8u* Dst;
  int DstStep;
  TAxis X, Y;

  const Ipp8u* SrcRow(int ARow) const { return Origin + std::ptrdiff_t(SrcStep) * ARow; }
  Ipp8u* DstRow(int ARow) const { return Dst + std::ptrdiff_t(DstStep) * ARow; }
  // Bytes from a rectangle row's first pixel to the end of the image row.
  template <int C>
  std::ptrdiff_t Avail() const
  {
    return std::ptrdiff_t(X.Hi + 1) * C;
  }
};

// Source rows cached after their horizontal pass: K slots, each holding one
// row (or none). A destination row asks for its K rows; a row already there is
// reused, a missing one goes into a slot that this destination row does not
// need.
template <class T, int K>
class TRowCache
{
public:
  TRowCache(T* ABase, std::size_t ARowElems)
  {
    for (int S = 0; S < K; ++S) {
      FRows[S] = ABase + S * ARowElems;
      FIds[S] = INT_MIN;
    }
  }
  template <class F>
  void Fetch(const int* ANeeded, const T** AOut, F AMake)
  {
    bool Keep[K] = {};
    for (int S = 0; S < K; ++S)
      Keep[S] = std::find(ANeeded, ANeeded + K, FIds[S]) != ANeeded + K;
    for (int N = 0; N < K; ++N) {
      int S = Find(ANeeded[N]);
      if (S < 0) {
        S = 0;
        while (Keep[S])
          ++S;
        AMake(ANeeded[N], FRows[S]);
        FIds[S] = ANeeded[N];
        Keep[S] = true;
      }
      AOut[N] = FRows[S];
    }
  }

private:
  int Find(int AId) const
  {
    for (int S = 0; S < K; ++S)
      if (FIds[S] == AId)
        return S;
    return -1;
  }
  T* FRows[K];
  int FIds[K];
};

// Leading destination columns whose vector load of ABytes from byte offset
// AOffsets[i] stays inside the image row.
template <class F>
int SafeColumns(int AOut, std::ptrdiff_t AAvail, int ABytes, F AOffset)
{
  int I = 0;
  while (I < AOut && AOffset(I) + ABytes <= AAvail)
    ++I;
  return I;
}

inline __m128i Zero() { return _mm_setzero_si128(); }

// Four bytes to four floats.
inline __m128 Widen4(__m128i V)
{
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(V, Zero()), Zero()));
}

inline __m128 CubicV(__m128 A, __m128 B, __m128 C, __m128 D, __m128 C1, __m128 C2, __m128 C3)
{
  const __m128 D1 = _mm_sub_ps(B, A);
  const __m128 D2 = _mm_sub_ps(_mm_sub_ps(C, B), D1);
  const __m128 D3 = _mm_sub_ps(_mm_add_ps(_mm_sub_ps(D, _mm_add_ps(C, C)), B),
                               _mm_add_ps(_mm_sub_ps(C, _mm_add_ps(B, B)), A));
  return _mm_add_ps(_mm_add_ps(_mm_add_ps(A, _mm_mul_ps(C1, D1)), _mm_mul_ps(C2, D2)),
                    _mm_mul_ps(C3, D3));
}

inline Ipp8u ToByte(float V)
{
  const int I = static_cast<int>(V + RoundUp);
  return static_cast<Ipp8u>(I < 0 ? 0 : (I > 255 ? 255 : I));
}

// Eight floats, each plus RoundUp, truncated and clamped, to eight bytes.
inline void StoreBytes8(Ipp8u* AOut, __m128 ALo, __m128 AHi)
{
  const __m128 R = _mm_set1_ps(RoundUp);
  const __m128i Lo = _mm_cvttps_epi32(_mm_add_ps(ALo, R));
  const __m128i Hi = _mm_cvttps_epi32(_mm_add_ps(AHi, R));
  const __m128i W = _mm_packs_epi32(Lo, Hi);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(AOut), _mm_packus_epi16(W, W));
}

// --- Nearest neighbour -------------------------------------------------------------------

template <int C>
IppStatus RunNearest(const TCall& ACall)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  TWork Work;
  const std::size_t Cols = Work.Reserve<int>(X.Out);
  const std::size_t Rows = Work.Reserve<int>(Y.Out);
  if (!Work.Obtain())
    return ippStsMemAllocErr;
  int* Col = Work.At<int>(Cols);
  int* Row = Work.At<int>(Rows);
  for (int I = 0; I < X.Out; ++I)
    Col[I] = NearestIndex(X, I) * C;
  for (int K = 0; K < Y.Out; ++K)
    Row[K] = NearestIndex(Y, K);
  const std::size_t Bytes = std::size_t(X.Out) * C;
  for (int K = 0; K < Y.Out; ++K) {
    Ipp8u* D = ACall.DstRow(K);
    if (K > 0 && Row[K] == Row[K - 1]) {
      std::memmove(D, ACall.DstRow(K - 1), Bytes);
      continue;
    }
    const Ipp8u* S = ACall.SrcRow(Row[K]);
    for (int I = 0; I < X.Out; ++I)
      for (int Ch = 0; Ch < C; ++Ch)
        D[I * C + Ch] = S[Col[I] + Ch];
  }
  return ippStsNoErr;
}

// --- Linear -----------------------------------------------------------------------------

template <int C>
inline void LinearPixel(const Ipp8u* S, const int* AOffset, const int* AWeights, int AI, Ipp16s* H)
{
  const Ipp8u* P = S + AOffset[AI];
  const int W0 = AWeights[AI] & 0xFFFF, W1 = AWeights[AI] >> 16;
  for (int Ch = 0; Ch < C; ++Ch)
    H[AI * C + Ch] = static_cast<Ipp16s>((P[Ch] * W0 + P[C + Ch] * W1 + 128) >> 8);
}

template <int C>
void LinearRow(const Ipp8u* S, const int* AOffset, const int* AWeights, int AOut, int ASafe,
               Ipp16s* H)
{
  int I = 0;
  if constexpr (C >= 3) {
    const __m128i Round = _mm_set1_epi32(128);
    for (; I < ASafe; ++I) {
      // The pixel and its neighbour in one load, paired channel by channel.
      const __m128i V =
          _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(S + AOffset[I])), Zero());
      const __m128i P = _mm_unpacklo_epi16(V, _mm_srli_si128(V, 2 * C));
      const __m128i M = _mm_srai_epi32(
          _mm_add_epi32(_mm_madd_epi16(P, _mm_set1_epi32(AWeights[I])), Round), 8);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(H + I * C), _mm_packs_epi32(M, M));
    }
  }
  for (; I < AOut; ++I)
    LinearPixel<C>(S, AOffset, AWeights, I, H);
}

// The wide variant's horizontal pass: groups of pixels (eight for one
// channel, two otherwise) whose pixels and neighbours lie within one 16-byte
// window are paired by one byte shuffle; other groups and the pixels after
// the last group take the scalar code.
struct alignas(16) TLinearGroup
{
  std::int32_t Base; // byte offset of the window
  std::int32_t Usable;
  std::int32_t Unused[2];
  std::uint8_t Mask[16]; // window bytes to (pixel, neighbour) pairs, element by element
  std::int32_t W[8];     // the weights of each element, as the scalar code's
};

template <int C>
constexpr int GroupPixels = C == 1 ? 8 : 2;

template <int C>
void BuildLinearGroups(const int* AOffset, const int* AWeights, int AOut, std::ptrdiff_t AAvail,
                       TLinearGroup* AGroups)
{
  constexpr int G = GroupPixels<C>;
  for (int Gi = 0; Gi < AOut / G; ++Gi) {
    TLinearGroup& Gr = AGroups[Gi];
    std::memset(&Gr, 0, sizeof Gr);
    const int First = Gi * G;
    Gr.Base = AOffset[First];
    Gr.Usable = AOffset[First + G - 1] + 2 * C <= Gr.Base + 16 && Gr.Base + 16 <= AAvail;
    std::memset(Gr.Mask, 0x80, sizeof Gr.Mask);
    for (int P = 0; P < G; ++P)
      for (int Ch = 0; Ch < C; ++Ch) {
        const int E = P * C + Ch;
        const int At = std::max(0, AOffset[First + P] - Gr.Base) + Ch;
        Gr.Mask[2 * E] = static_cast<std::uint8_t>(std::min(At, 15));
        Gr.Mask[2 * E + 1] = static_cast<std::uint8_t>(std::min(At + C, 15));
        Gr.W[E] = AWeights[First + P];
      }
  }
}

// Two neighbouring groups, for one 256-bit shuffle: the low lane holds the
// first group, the high lane the second.
struct alignas(32) TLinearPair
{
  std::int32_t Base[2];
  std::int32_t Usable;
  std::int32_t Unused[5];
  std::uint8_t Mask[32];
  std::int32_t WLo[8]; // elements 0..3 of each group
  std::int32_t WHi[8]; // elements 4..7 of each group
};

void BuildLinearPairs(const TLinearGroup* AGroups, int AGroupCount, TLinearPair* APairs)
{
  for (int Q = 0; Q < AGroupCount / 2; ++Q) {
    const TLinearGroup& A = AGroups[2 * Q];
    const TLinearGroup& B = AGroups[2 * Q + 1];
    TLinearPair& P = APairs[Q];
    std::memset(&P, 0, sizeof P);
    P.Base[0] = A.Base;
    P.Base[1] = B.Base;
    P.Usable = A.Usable && B.Usable;
    std::memcpy(P.Mask, A.Mask, 16);
    std::memcpy(P.Mask + 16, B.Mask, 16);
    std::memcpy(P.WLo, A.W, 16);
    std::memcpy(P.WLo + 4, B.W, 16);
    std::memcpy(P.WHi, A.W + 4, 16);
    std::memcpy(P.WHi + 4, B.W + 4, 16);
  }
}

template <int C>
__attribute__((target("avx2"))) inline void LinearGroup(const Ipp8u* S, const TLinearGroup& Gr, int AGi,
                                                        const int* AOffset, const int* AWeights, Ipp16s* H)
{
  constexpr int G = GroupPixels<C>;
  if (!Gr.Usable) {
    for (int P = 0; P < G; ++P)
      LinearPixel<C>(S, AOffset, AWeights, AGi * G + P, H);
    return;
  }
  const __m128i Round = _mm_set1_epi32(128);
  const __m128i Z = _mm_setzero_si128();
  const __m128i V = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(S + Gr.Base)),
                                     _mm_load_si128(reinterpret_cast<const __m128i*>(Gr.Mask)));
  const __m128i* W = reinterpret_cast<const __m128i*>(Gr.W);
  const __m128i A = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(V, Z), _mm_load_si128(W)), Round), 8);
  const __m128i B =
      _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi8(V, Z), _mm_load_si128(W + 1)), Round), 8);
  // Eight results; for three channels the last two are the next group's
  // and are written again.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(H + AGi * G * C), _mm_packs_epi32(A, B));
}

template <int C>
__attribute__((target("avx2"))) void LinearRowGroups(const Ipp8u* S, const TLinearGroup* AGroups,
                                                     const TLinearPair* APairs, const int* AOffset,
                                                     const int* AWeights, int AOut, Ipp16s* H)
{
  constexpr int G = GroupPixels<C>;
  const __m256i Round = _mm256_set1_epi32(128);
  const __m256i Z = _mm256_setzero_si256();
  const int Groups = AOut / G;
  for (int Q = 0; Q < Groups / 2; ++Q) {
    const TLinearPair& P = APairs[Q];
    if (!P.Usable) {
      LinearGroup<C>(S, AGroups[2 * Q], 2 * Q, AOffset, AWeights, H);
      LinearGroup<C>(S, AGroups[2 * Q + 1], 2 * Q + 1, AOffset, AWeights, H);
      continue;
    }
    const __m256i Window = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(S + P.Base[0]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + P.Base[1])), 1);
    const __m256i V = _mm256_shuffle_epi8(Window, _mm256_load_si256(reinterpret_cast<const __m256i*>(P.Mask)));
    const __m256i A = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(V, Z),
                                           _mm256_load_si256(reinterpret_cast<const __m256i*>(P.WLo))),
                         Round),
        8);
    const __m256i B = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi8(V, Z),
                                           _mm256_load_si256(reinterpret_cast<const __m256i*>(P.WHi))),
                         Round),
        8);
    const __m256i R = _mm256_packs_epi32(A, B);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(H + 2 * Q * G * C), _mm256_castsi256_si128(R));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(H + (2 * Q + 1) * G * C), _mm256_extracti128_si256(R, 1));
  }
  _mm256_zeroupper();
  if (Groups % 2)
    LinearGroup<C>(S, AGroups[Groups - 1], Groups - 1, AOffset, AWeights, H);
  for (int I = Groups * G; I < AOut; ++I)
    LinearPixel<C>(S, AOffset, AWeights, I, H);
}

void LinearColumn(const Ipp16s* H0, const Ipp16s* H1, int AWy, Ipp8u* D, int AN)
{
  const __m128i W = _mm_set1_epi32((One - AWy) | (AWy << 16));
  const __m128i Round = _mm_set1_epi32(524288);
  int E = 0;
  for (; E + 8 <= AN; E += 8) {
    const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(H0 + E));
    const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(H1 + E));
    const __m128i Lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(A, B), W), Round), 20);
    const __m128i Hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(A, B), W), Round), 20);
    const __m128i P = _mm_packs_epi32(Lo, Hi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(D + E), _mm_packus_epi16(P, P));
  }
  for (; E < AN; ++E)
    D[E] = static_cast<Ipp8u>((H1[E] * AWy + H0[E] * (One - AWy) + 524288) >> 20);
}

__attribute__((target("avx2"))) void LinearColumnWide(const Ipp16s* H0, const Ipp16s* H1, int AWy, Ipp8u* D,
                                                      int AN)
{
  const __m256i W = _mm256_set1_epi32((One - AWy) | (AWy << 16));
  const __m256i Round = _mm256_set1_epi32(524288);
  int E = 0;
  for (; E + 16 <= AN; E += 16) {
    const __m256i A = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(H0 + E));
    const __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(H1 + E));
    // Unpacking and packing both work lane by lane, so the order comes back.
    const __m256i Lo =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(A, B), W), Round), 20);
    const __m256i Hi =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(A, B), W), Round), 20);
    const __m256i P = _mm256_packs_epi32(Lo, Hi);
    const __m256i Bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(P, P), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(D + E), _mm256_castsi256_si128(Bytes));
  }
  // The SSE2 code that follows would otherwise wait on the upper halves.
  _mm256_zeroupper();
  LinearColumn(H0 + E, H1 + E, AWy, D + E, AN - E);
}

template <int C, bool AWide>
IppStatus RunLinear(const TCall& ACall)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  const std::size_t RowElems = std::size_t(X.Out) * C + RowSlack;
  TWork Work;
  const std::size_t Offsets = Work.Reserve<int>(X.Out);
  const std::size_t Weights = Work.Reserve<int>(X.Out);
  const std::size_t Rows = Work.Reserve<TLinearTap>(Y.Out);
  const std::size_t Cache = Work.Reserve<Ipp16s>(2 * RowElems);
  const std::size_t Groups = Work.Reserve<TLinearGroup>(AWide ? X.Out / GroupPixels<C> : 0);
  const std::size_t Pairs = Work.Reserve<TLinearPair>(AWide ? X.Out / GroupPixels<C> / 2 : 0);
  if (!Work.Obtain())
    return ippStsMemAllocErr;
  int* Offset = Work.At<int>(Offsets);
  int* Weight = Work.At<int>(Weights);
  TLinearTap* Row = Work.At<TLinearTap>(Rows);
  for (int I = 0; I < X.Out; ++I) {
    const TLinearTap T = LinearTap(X, I);
    Offset[I] = T.Index * C;
    Weight[I] = (One - T.W1) | (T.W1 << 16);
  }
  for (int K = 0; K < Y.Out; ++K)
    Row[K] = LinearTap(Y, K);
  const int Safe = SafeColumns(X.Out, ACall.Avail<C>(), 8, [&](int I) { return Offset[I]; });
  TLinearGroup* Group = Work.At<TLinearGroup>(Groups);
  TLinearPair* Pair = Work.At<TLinearPair>(Pairs);
  if constexpr (AWide) {
    BuildLinearGroups<C>(Offset, Weight, X.Out, ACall.Avail<C>(), Group);
    BuildLinearPairs(Group, X.Out / GroupPixels<C>, Pair);
  }

  TRowCache<Ipp16s, 2> Rc(Work.At<Ipp16s>(Cache), RowElems);
  const auto Make = [&](int ARow, Ipp16s* AOut) {
    if constexpr (AWide)
      LinearRowGroups<C>(ACall.SrcRow(ARow), Group, Pair, Offset, Weight, X.Out, AOut);
    else
      LinearRow<C>(ACall.SrcRow(ARow), Offset, Weight, X.Out, Safe, AOut);
  };
  for (int K = 0; K < Y.Out; ++K) {
    const int Needed[2] = {Row[K].Index, Row[K].Index + 1};
    const Ipp16s* H[2];
    Rc.Fetch(Needed, H, Make);
    if constexpr (AWide)
      LinearColumnWide(H[0], H[1], Row[K].W1, ACall.DstRow(K), X.Out * C);
    else
      LinearColumn(H[0], H[1], Row[K].W1, ACall.DstRow(K), X.Out * C);
  }
  return ippStsNoErr;
}

// --- Cubic --------------------------------------------------------------------------------

template <int C>
void CubicRow(const Ipp8u* S, const TCubicTap* ATaps, int AOut, int ASafe, float* H)
{
  int I = 0;
  if constexpr (C >= 3) {
    for (; I < ASafe; ++I) {
      const TCubicTap& T = ATaps[I];
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + T.Start * C));
      const __m128 R = CubicV(Widen4(V), Widen4(_mm_srli_si128(V, C)), Widen4(_mm_srli_si128(V, 2 * C)),
                              Widen4(_mm_srli_si128(V, 3 * C)), _mm_set1_ps(T.C1), _mm_set1_ps(T.C2),
                              _mm_set1_ps(T.C3));
      _mm_storeu_ps(H + I * C, R);
    }
  }
  for (; I < AOut; ++I) {
    const TCubicTap& T = ATaps[I];
    const Ipp8u* P = S + T.Start * C;
    for (int Ch = 0; Ch < C; ++Ch)
      H[I * C + Ch] = Cubic(P[Ch], P[C + Ch], P[2 * C + Ch], P[3 * C + Ch], T.C1, T.C2, T.C3);
  }
}

__attribute__((target("avx2"))) inline __m128 Pixel(const Ipp8u* P)
{
  std::int32_t Bytes;
  std::memcpy(&Bytes, P, 4);
  return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(Bytes)));
}

template <int C>
__attribute__((target("avx2"))) void CubicRowWide(const Ipp8u* S, const TCubicTap* ATaps, int AOut, int ASafe,
                                                  float* H)
{
  int I = 0;
  for (; I < ASafe; ++I) {
    const TCubicTap& T = ATaps[I];
    const Ipp8u* P = S + T.Start * C;
    _mm_storeu_ps(H + I * C, CubicV(Pixel(P), Pixel(P + C), Pixel(P + 2 * C), Pixel(P + 3 * C),
                                    _mm_broadcast_ss(&T.C1), _mm_broadcast_ss(&T.C2), _mm_broadcast_ss(&T.C3)));
  }
  CubicRow<C>(S, ATaps + I, AOut - I, 0, H + I * C);
}

void CubicColumn(const float* const* ARows, const TCubicTap& T, Ipp8u* D, int AN)
{
  const float *R0 = ARows[0], *R1 = ARows[1], *R2 = ARows[2], *R3 = ARows[3];
  const __m128 C1 = _mm_set1_ps(T.C1), C2 = _mm_set1_ps(T.C2), C3 = _mm_set1_ps(T.C3);
  int E = 0;
  for (; E + 8 <= AN; E += 8) {
    const __m128 Lo = CubicV(_mm_loadu_ps(R0 + E), _mm_loadu_ps(R1 + E), _mm_loadu_ps(R2 + E),
                             _mm_loadu_ps(R3 + E), C1, C2, C3);
    const __m128 Hi = CubicV(_mm_loadu_ps(R0 + E + 4), _mm_loadu_ps(R1 + E + 4), _mm_loadu_ps(R2 + E + 4),
                             _mm_loadu_ps(R3 + E + 4), C1, C2, C3);
    StoreBytes8(D + E, Lo, Hi);
  }
  for (; E < AN; ++E)
    D[E] = ToByte(Cubic(R0[E], R1[E], R2[E], R3[E], T.C1, T.C2, T.C3));
}

__attribute__((target("avx2"))) inline __m256 CubicV8(__m256 A, __m256 B, __m256 C, __m256 D, __m256 C1,
                                                       __m256 C2, __m256 C3)
{
  const __m256 D1 = _mm256_sub_ps(B, A);
  const __m256 D2 = _mm256_sub_ps(_mm256_sub_ps(C, B), D1);
  const __m256 D3 = _mm256_sub_ps(_mm256_add_ps(_mm256_sub_ps(D, _mm256_add_ps(C, C)), B),
                                  _mm256_add_ps(_mm256_sub_ps(C, _mm256_add_ps(B, B)), A));
  return _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(A, _mm256_mul_ps(C1, D1)), _mm256_mul_ps(C2, D2)),
                       _mm256_mul_ps(C3, D3));
}

__attribute__((target("avx2"))) void CubicColumnWide(const float* const* ARows, const TCubicTap& T, Ipp8u* D,
                                                     int AN)
{
  const float *R0 = ARows[0], *R1 = ARows[1], *R2 = ARows[2], *R3 = ARows[3];
  const __m256 C1 = _mm256_set1_ps(T.C1), C2 = _mm256_set1_ps(T.C2), C3 = _mm256_set1_ps(T.C3);
  const __m256 Round = _mm256_set1_ps(RoundUp);
  int E = 0;
  for (; E + 16 <= AN; E += 16) {
    const __m256 Lo = CubicV8(_mm256_loadu_ps(R0 + E), _mm256_loadu_ps(R1 + E), _mm256_loadu_ps(R2 + E),
                              _mm256_loadu_ps(R3 + E), C1, C2, C3);
    const __m256 Hi = CubicV8(_mm256_loadu_ps(R0 + E + 8), _mm256_loadu_ps(R1 + E + 8),
                              _mm256_loadu_ps(R2 + E + 8), _mm256_loadu_ps(R3 + E + 8), C1, C2, C3);
    const __m256i A = _mm256_cvttps_epi32(_mm256_add_ps(Lo, Round));
    const __m256i B = _mm256_cvttps_epi32(_mm256_add_ps(Hi, Round));
    // Packing works lane by lane: the quarters come back in order 0, 2, 1, 3.
    const __m256i W = _mm256_packs_epi32(A, B);
    const __m256i Bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(W, W), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(D + E), _mm256_castsi256_si128(Bytes));
  }
  const float* Rest[4] = {R0 + E, R1 + E, R2 + E, R3 + E};
  _mm256_zeroupper();
  CubicColumn(Rest, T, D + E, AN - E);
}

template <int C, bool AWide>
IppStatus RunCubic(const TCall& ACall)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  const std::size_t RowElems = std::size_t(X.Out) * C + RowSlack;
  TWork Work;
  const std::size_t Cols = Work.Reserve<TCubicTap>(X.Out);
  const std::size_t Rows = Work.Reserve<TCubicTap>(Y.Out);
  const std::size_t Cache = Work.Reserve<float>(4 * RowElems);
  if (!Work.Obtain())
    return ippStsMemAllocErr;
  TCubicTap* Col = Work.At<TCubicTap>(Cols);
  TCubicTap* Row = Work.At<TCubicTap>(Rows);
  for (int I = 0; I < X.Out; ++I)
    Col[I] = CubicTap(X, I);
  for (int K = 0; K < Y.Out; ++K)
    Row[K] = CubicTap(Y, K);
  const int Safe =
      SafeColumns(X.Out, ACall.Avail<C>(), 16, [&](int I) { return std::ptrdiff_t(Col[I].Start) * C; });

  TRowCache<float, 4> Rc(Work.At<float>(Cache), RowElems);
  const auto Make = [&](int ARow, float* AOut) {
    if constexpr (AWide && C >= 3)
      CubicRowWide<C>(ACall.SrcRow(ARow), Col, X.Out, Safe, AOut);
    else
      CubicRow<C>(ACall.SrcRow(ARow), Col, X.Out, Safe, AOut);
  };
  for (int K = 0; K < Y.Out; ++K) {
    const int S = Row[K].Start;
    const int Needed[4] = {S, S + 1, S + 2, S + 3};
    const float* H[4];
    Rc.Fetch(Needed, H, Make);
    if constexpr (AWide)
      CubicColumnWide(H, Row[K], ACall.DstRow(K), X.Out * C);
    else
      CubicColumn(H, Row[K], ACall.DstRow(K), X.Out * C);
  }
  return ippStsNoErr;
}

// --- Lanczos ---------------------------------------------------------------------------------

template <int C>
void LanczosRow(const Ipp8u* S, const TLanczosTaps* ATaps, int AOut, float* H)
{
  for (int I = 0; I < AOut; ++I) {
    const TLanczosTaps& T = ATaps[I];
    for (int Ch = 0; Ch < C; ++Ch) {
      float Sum = T.W[0] * S[T.Index[0] * C + Ch];
      for (int K = 1; K < 6; ++K)
        Sum += T.W[K] * S[T.Index[K] * C + Ch];
      H[I * C + Ch] = Sum;
    }
  }
}

void LanczosColumn(const float* const* ARows, const float* AW, Ipp8u* D, int AN)
{
  __m128 W[6];
  for (int K = 0; K < 6; ++K)
    W[K] = _mm_set1_ps(AW[K]);
  const auto Sum4 = [&](int E) {
    __m128 S = _mm_mul_ps(W[0], _mm_loadu_ps(ARows[0] + E));
    for (int K = 1; K < 6; ++K)
      S = _mm_add_ps(S, _mm_mul_ps(W[K], _mm_loadu_ps(ARows[K] + E)));
    return S;
  };
  int E = 0;
  for (; E + 8 <= AN; E += 8)
    StoreBytes8(D + E, Sum4(E), Sum4(E + 4));
  for (; E < AN; ++E) {
    float S = AW[0] * ARows[0][E];
    for (int K = 1; K < 6; ++K)
      S += AW[K] * ARows[K][E];
    D[E] = ToByte(S);
  }
}

template <int C>
IppStatus RunLanczos(const TCall& ACall)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  const std::size_t RowElems = std::size_t(X.Out) * C + RowSlack;
  TWork Work;
  const std::size_t Cols = Work.Reserve<TLanczosTaps>(X.Out);
  const std::size_t Rows = Work.Reserve<TLanczosTaps>(Y.Out);
  const std::size_t Cache = Work.Reserve<float>(6 * RowElems);
  if (!Work.Obtain())
    return ippStsMemAllocErr;
  const float* Table = LanczosTable();
  TLanczosTaps* Col = Work.At<TLanczosTaps>(Cols);
  TLanczosTaps* Row = Work.At<TLanczosTaps>(Rows);
  for (int I = 0; I < X.Out; ++I)
    Col[I] = LanczosTaps(X, I, Table);
  for (int K = 0; K < Y.Out; ++K)
    Row[K] = LanczosTaps(Y, K, Table);

  TRowCache<float, 6> Rc(Work.At<float>(Cache), RowElems);
  const auto Make = [&](int ARow, float* AOut) { LanczosRow<C>(ACall.SrcRow(ARow), Col, X.Out, AOut); };
  for (int K = 0; K < Y.Out; ++K) {
    const float* H[6];
    Rc.Fetch(Row[K].Index, H, Make);
    LanczosColumn(H, Row[K].W, ACall.DstRow(K), X.Out * C);
  }
  return ippStsNoErr;
}

// --- Super-sampling ---------------------------------------------------------------------------

// Acc = Weight * S (AFirst) or Acc += Weight * S, over AN elements.
void AccumulateRow(const Ipp8u* S, float AWeight, bool AFirst, float* Acc, int AN)
{
  const __m128 W = _mm_set1_ps(AWeight);
  int E = 0;
  for (; E + 16 <= AN; E += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + E));
    const __m128i L = _mm_unpacklo_epi8(V, Zero()), H = _mm_unpackhi_epi8(V, Zero());
    const __m128 F[4] = {_mm_cvtepi32_ps(_mm_unpacklo_epi16(L, Zero())),
                         _mm_cvtepi32_ps(_mm_unpackhi_epi16(L, Zero())),
                         _mm_cvtepi32_ps(_mm_unpacklo_epi16(H, Zero())),
                         _mm_cvtepi32_ps(_mm_unpackhi_epi16(H, Zero()))};
    for (int Q = 0; Q < 4; ++Q) {
      const __m128 P = _mm_mul_ps(W, F[Q]);
      _mm_storeu_ps(Acc + E + 4 * Q, AFirst ? P : _mm_add_ps(_mm_loadu_ps(Acc + E + 4 * Q), P));
    }
  }
  for (; E < AN; ++E) {
    const float P = AWeight * S[E];
    Acc[E] = AFirst ? P : Acc[E] + P;
  }
}

inline Ipp8u AverageToByte(float ASum, float AScale)
{
  const float V = 0.5f + AScale * ASum;
  return V >= 255 ? 255 : static_cast<Ipp8u>(V);
}

template <int C>
void SuperColumns(const float* Acc, const TSpan* ASpans, const float* AWeights, int AOut, float AScale,
                  Ipp8u* D)
{
  int I = 0;
  if constexpr (C >= 3) {
    // Four bytes a pixel; for three channels the fourth is the next pixel's
    // first and is written again, so the last pixel is left to the scalar code.
    const int Vector = C == 4 ? AOut : AOut - 1;
    const __m128 Scale = _mm_set1_ps(AScale), Half = _mm_set1_ps(0.5f), Max = _mm_set1_ps(255);
    for (; I < Vector; ++I) {
      const TSpan& Sp = ASpans[I];
      const float* A = Acc + std::ptrdiff_t(Sp.First) * C;
      const float* W = AWeights + Sp.Weights;
      __m128 Sum = _mm_mul_ps(_mm_set1_ps(W[0]), _mm_loadu_ps(A));
      for (int K = 1; K < Sp.Count; ++K)
        Sum = _mm_add_ps(Sum, _mm_mul_ps(_mm_set1_ps(W[K]), _mm_loadu_ps(A + K * C)));
      const __m128i V = _mm_cvttps_epi32(_mm_min_ps(_mm_add_ps(Half, _mm_mul_ps(Scale, Sum)), Max));
      const __m128i P = _mm_packs_epi32(V, V);
      const int Bytes = _mm_cvtsi128_si32(_mm_packus_epi16(P, P));
      std::memcpy(D + I * C, &Bytes, 4);
    }
  }
  for (; I < AOut; ++I) {
    const TSpan& Sp = ASpans[I];
    const float* A = Acc + std::ptrdiff_t(Sp.First) * C;
    const float* W = AWeights + Sp.Weights;
    for (int Ch = 0; Ch < C; ++Ch) {
      float Sum = W[0] * A[Ch];
      for (int K = 1; K < Sp.Count; ++K)
        Sum += W[K] * A[K * C + Ch];
      D[I * C + Ch] = AverageToByte(Sum, AScale);
    }
  }
}

// The block size when every span covers N whole pixels with weight 1 (1 / F
// an integer and the rectangle a multiple of it), otherwise 0.
int WholeBlocks(const TSpan* ASpans, const float* AWeights, int AOut)
{
  const int N = ASpans[0].Count;
  for (int I = 0; I < AOut; ++I)
    if (ASpans[I].Count != N || ASpans[I].First != I * N)
      return 0;
  for (int K = 0; K < AOut * N; ++K)
    if (AWeights[K] != 1.0f)
      return 0;
  return N;
}

// Whole blocks: the sums are integers, exact in single precision too, so
// integer sums and a table of every possible average give the same bytes as
// the weighted float sums.
template <int C>
void SuperBlocks(const TCall& ACall, int ANx, int ANy, float AScale, Ipp16u* ASums, Ipp8u* ATable)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  for (int V = 0; V <= 255 * ANx * ANy; ++V)
    ATable[V] = AverageToByte(static_cast<float>(V), AScale);
  const int Used = X.Out * ANx * C;
  for (int K = 0; K < Y.Out; ++K) {
    const Ipp8u* S = ACall.SrcRow(K * ANy);
    int E = 0;
    for (; E + 16 <= Used; E += 16) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + E));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(ASums + E), _mm_unpacklo_epi8(V, Zero()));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(ASums + E + 8), _mm_unpackhi_epi8(V, Zero()));
    }
    for (; E < Used; ++E)
      ASums[E] = S[E];
    for (int R = 1; R < ANy; ++R) {
      S = ACall.SrcRow(K * ANy + R);
      E = 0;
      for (; E + 16 <= Used; E += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + E));
        __m128i* P = reinterpret_cast<__m128i*>(ASums + E);
        _mm_storeu_si128(P, _mm_add_epi16(_mm_loadu_si128(P), _mm_unpacklo_epi8(V, Zero())));
        _mm_storeu_si128(P + 1, _mm_add_epi16(_mm_loadu_si128(P + 1), _mm_unpackhi_epi8(V, Zero())));
      }
      for (; E < Used; ++E)
        ASums[E] = static_cast<Ipp16u>(ASums[E] + S[E]);
    }
    Ipp8u* D = ACall.DstRow(K);
    if (ANx == 2) {
      for (int I = 0; I < X.Out; ++I)
        for (int Ch = 0; Ch < C; ++Ch)
          D[I * C + Ch] = ATable[ASums[2 * I * C + Ch] + ASums[(2 * I + 1) * C + Ch]];
    } else {
      for (int I = 0; I < X.Out; ++I)
        for (int Ch = 0; Ch < C; ++Ch) {
          unsigned Sum = 0;
          for (int Q = 0; Q < ANx; ++Q)
            Sum += ASums[(I * ANx + Q) * C + Ch];
          D[I * C + Ch] = ATable[Sum];
        }
    }
  }
}

// The wide variant's blocks of two columns: a byte shuffle pairs each
// pixel's channels with its right neighbour's and one multiply-add by ones
// sums the pairs, for whole groups of pixels (eight for one channel, two
// otherwise); the row sums of the block's rows then add up. The same integer
// sums as SuperBlocks, and the same float rule for the average.
template <int C>
__attribute__((target("avx2"))) void SuperPairsWide(const TCall& ACall, int ANy, float AScale, Ipp16u* ASums)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  constexpr int G = GroupPixels<C>;
  alignas(16) std::uint8_t MaskBytes[16];
  std::memset(MaskBytes, 0x80, sizeof MaskBytes);
  for (int E = 0; E < G * C; ++E) {
    const int P = E / C, Ch = E % C;
    MaskBytes[2 * E] = static_cast<std::uint8_t>(2 * P * C + Ch);
    MaskBytes[2 * E + 1] = static_cast<std::uint8_t>(2 * P * C + C + Ch);
  }
  const __m128i Mask = _mm_load_si128(reinterpret_cast<const __m128i*>(MaskBytes));
  const __m128i Ones = _mm_set1_epi8(1);
  // Groups whose 16-byte load stays inside the image row.
  int Groups = X.Out / G;
  while (Groups > 0 && std::ptrdiff_t(Groups - 1) * 2 * G * C + 16 > ACall.Avail<C>())
    --Groups;
  const int N = X.Out * C;
  const Ipp8u* Rows[128];
  for (int K = 0; K < Y.Out; ++K) {
    for (int R = 0; R < ANy; ++R)
      Rows[R] = ACall.SrcRow(K * ANy + R);
    // All rows of a group are summed in registers: for three channels the
    // groups' stores overlap, and reading a sum back would wait for them.
    for (int Gi = 0; Gi < Groups; ++Gi) {
      const std::ptrdiff_t At = std::ptrdiff_t(Gi) * 2 * G * C;
      __m128i P = _mm_maddubs_epi16(
          _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Rows[0] + At)), Mask), Ones);
      for (int R = 1; R < ANy; ++R)
        P = _mm_add_epi16(P, _mm_maddubs_epi16(_mm_shuffle_epi8(
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(Rows[R] + At)), Mask),
                             Ones));
      // Unused lanes are 0 and are replaced by the next group's store.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(ASums + Gi * G * C), P);
    }
    for (int R = 0; R < ANy; ++R) {
      const Ipp8u* S = Rows[R];
      for (int E = Groups * G * C; E < N; ++E) {
        const int P = E / C, Ch = E % C;
        const int Pair = S[2 * P * C + Ch] + S[2 * P * C + C + Ch];
        ASums[E] = static_cast<Ipp16u>(R == 0 ? Pair : ASums[E] + Pair);
      }
    }
    Ipp8u* D = ACall.DstRow(K);
    const __m256 Scale = _mm256_set1_ps(AScale), Half = _mm256_set1_ps(0.5f), Max = _mm256_set1_ps(255);
    int E = 0;
    for (; E + 8 <= N; E += 8) {
      const __m256 Sum =
          _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(ASums + E))));
      const __m256i V = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_add_ps(Half, _mm256_mul_ps(Scale, Sum)), Max));
      const __m128i W = _mm_packs_epi32(_mm256_castsi256_si128(V), _mm256_extracti128_si256(V, 1));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(D + E), _mm_packus_epi16(W, W));
    }
    for (; E < N; ++E)
      D[E] = AverageToByte(static_cast<float>(ASums[E]), AScale);
  }
  _mm256_zeroupper();
}

template <int C, bool AWide>
IppStatus RunSuper(const TCall& ACall)
{
  const TAxis& X = ACall.X;
  const TAxis& Y = ACall.Y;
  TWork Work;
  const std::size_t ColSpans = Work.Reserve<TSpan>(X.Out);
  const std::size_t ColWeights = Work.Reserve<float>(std::size_t(X.Len) + X.Out);
  const std::size_t RowSpans = Work.Reserve<TSpan>(Y.Out);
  const std::size_t RowWeights = Work.Reserve<float>(std::size_t(Y.Len) + Y.Out);
  const std::size_t Sums = Work.Reserve<float>(std::size_t(X.Len) * C + RowSlack);
  // Room for the whole-block path: its column sums fit in the float sums;
  // blocks of up to 256 pixels keep them within 16 bits and the table small.
  const std::size_t Table = Work.Reserve<Ipp8u>(255 * 256 + 1);
  if (!Work.Obtain())
    return ippStsMemAllocErr;
  TSpan* Col = Work.At<TSpan>(ColSpans);
  TSpan* Row = Work.At<TSpan>(RowSpans);
  float* ColW = Work.At<float>(ColWeights);
  float* RowW = Work.At<float>(RowWeights);
  float* Acc = Work.At<float>(Sums);
  BuildSpans(X, Col, ColW);
  BuildSpans(Y, Row, RowW);
  // Only the columns up to the last one that a destination column touches.
  const int Used = (Col[X.Out - 1].First + Col[X.Out - 1].Count) * C;
  const float Scale = static_cast<float>(X.Factor * Y.Factor);
  const int Nx = WholeBlocks(Col, ColW, X.Out), Ny = WholeBlocks(Row, RowW, Y.Out);
  if constexpr (AWide)
    if (Nx == 2 && Ny > 0 && Ny <= 128) {
      SuperPairsWide<C>(ACall, Ny, Scale, reinterpret_cast<Ipp16u*>(Acc));
      return ippStsNoErr;
    }
  if (Nx > 0 && Ny > 0 && Nx * Ny <= 256) {
    SuperBlocks<C>(ACall, Nx, Ny, Scale, reinterpret_cast<Ipp16u*>(Acc), Work.At<Ipp8u>(Table));
    return ippStsNoErr;
  }
  for (int K = 0; K < Y.Out; ++K) {
    const TSpan& Sp = Row[K];
    for (int R = 0; R < Sp.Count; ++R)
      AccumulateRow(ACall.SrcRow(Sp.First + R), RowW[Sp.Weights + R], R == 0, Acc, Used);
    SuperColumns<C>(Acc, Col, ColW, X.Out, Scale, ACall.DstRow(K));
  }
  return ippStsNoErr;
}

// --- Checks and the choice of method -------------------------------------------------------------

enum class TMethod { Nearest, Linear, Cubic, Lanczos, Super };

template <int C, bool AWide>
IppStatus Resize(const Ipp8u* Src, IppiSize SrcSize, int SrcStep, IppiRect SrcRoi, Ipp8u* Dst,
                 int DstStep, IppiSize DstRoiSize, double XFactor, double YFactor, int Interpolation)
{
  if (!Src || !Dst)
    return ippStsNullPtrErr;
  if (SrcSize.width < 1 || SrcSize.height < 1 || SrcRoi.width < 1 || SrcRoi.height < 1 || SrcRoi.x < 0 ||
      SrcRoi.y < 0)
    return ippStsSizeErr;
  if (SrcRoi.x >= SrcSize.width || SrcRoi.y >= SrcSize.height)
    return ippStsWrongIntersectROI;
  if (DstRoiSize.width < 1 || DstRoiSize.height < 1)
    return ippStsSizeErr;
  // A NaN factor is refused on both axes.
  if (!(XFactor > 0) || !(YFactor > 0))
    return ippStsResizeFactorErr;
  const int RoiW = std::min(SrcRoi.width, SrcSize.width - SrcRoi.x);
  const int RoiH = std::min(SrcRoi.height, SrcSize.height - SrcRoi.y);

  TMethod Method;
  if (Interpolation == IPPI_INTER_SUPER && XFactor <= 1 && YFactor <= 1) {
    Method = TMethod::Super;
  } else {
    switch (Interpolation) {
    case IPPI_INTER_NN: Method = TMethod::Nearest; break;
    case IPPI_INTER_LINEAR: Method = TMethod::Linear; break;
    case IPPI_INTER_CUBIC: Method = TMethod::Cubic; break;
    case IPPI_INTER_LANCZOS: Method = TMethod::Lanczos; break;
    default: return ippStsInterpolationErr;
    }
    // Small images: the kernels never reach past the image.
    const int Small = std::min(SrcSize.width, SrcSize.height);
    if (Small < 8 && Method == TMethod::Lanczos)
      Method = TMethod::Cubic;
    if (Small < 4 && Method != TMethod::Nearest)
      Method = TMethod::Linear;
    if (Small < 2)
      Method = TMethod::Nearest;
  }

  const int OutW = WrittenLength(RoiW, XFactor, DstRoiSize.width);
  const int OutH = WrittenLength(RoiH, YFactor, DstRoiSize.height);
  if (OutW < 1 || OutH < 1)
    return ippStsResizeNoOperation;

  // Rows whose bytes do not fit the tables' int indexes: no work memory
  // could serve them either.
  if (std::int64_t(std::max(SrcSize.width, OutW)) * C > INT_MAX / 2)
    return ippStsMemAllocErr;

  const TCall Call{Src + std::ptrdiff_t(SrcStep) * SrcRoi.y + std::ptrdiff_t(SrcRoi.x) * C,
                   SrcStep,
                   Dst,
                   DstStep,
                   {RoiW, -SrcRoi.x, SrcSize.width - 1 - SrcRoi.x, XFactor, OutW},
                   {RoiH, -SrcRoi.y, SrcSize.height - 1 - SrcRoi.y, YFactor, OutH}};
  switch (Method) {
  case TMethod::Nearest: return RunNearest<C>(Call);
  case TMethod::Linear: return RunLinear<C, AWide>(Call);
  case TMethod::Cubic: return RunCubic<C, AWide>(Call);
  case TMethod::Lanczos: return RunLanczos<C>(Call);
  case TMethod::Super: return RunSuper<C, AWide>(Call);
  }
  return ippStsInterpolationErr;
}

// The variants for processors with AVX2 (and so SSSE3's byte shuffle).
template <int C>
IppStatus ResizeWide(const Ipp8u* Src, IppiSize SrcSize, int SrcStep, IppiRect SrcRoi, Ipp8u* Dst,
                     int DstStep, IppiSize DstRoiSize, double XFactor, double YFactor, int Interpolation)
{
  return Resize<C, true>(Src, SrcSize, SrcStep, SrcRoi, Dst, DstStep, DstRoiSize, XFactor, YFactor,
                         Interpolation);
}

} // namespace

const LibC::TVariantRow* LibC::FindResizeRow(TAnyProc APortable) noexcept
{
  static const TVariantRow Rows[] = {
      MakeRow<TippiResize_8u_C1R>(&LibC::ippiResize_8u_C1R, &ResizeWide<1>, nullptr),
      MakeRow<TippiResize_8u_C3R>(&LibC::ippiResize_8u_C3R, &ResizeWide<3>, nullptr),
      MakeRow<TippiResize_8u_C4R>(&LibC::ippiResize_8u_C4R, &ResizeWide<4>, nullptr),
  };
  for (const TVariantRow& Row : Rows)
    if (Row.Portable == APortable)
      return &Row;
  return nullptr;
}

void LibC::SetResizeWorkMemoryFails(bool AFails) noexcept
{
  GWorkMemoryFails.store(AFails, std::memory_order_relaxed);
}

IppStatus LibC::ippiResize_8u_C1R(const Ipp8u* Src, IppiSize SrcSize, int SrcStep, IppiRect SrcRoi,
                                  Ipp8u* Dst, int DstStep, IppiSize DstRoiSize, double XFactor,
                                  double YFactor, int Interpolation)
{
  return Resize<1, false>(Src, SrcSize, SrcStep, SrcRoi, Dst, DstStep, DstRoiSize, XFactor, YFactor, Interpolation);
}

IppStatus LibC::ippiResize_8u_C3R(const Ipp8u* Src, IppiSize SrcSize, int SrcStep, IppiRect SrcRoi,
                                  Ipp8u* Dst, int DstStep, IppiSize DstRoiSize, double XFactor,
                                  double YFactor, int Interpolation)
{
  return Resize<3, false>(Src, SrcSize, SrcStep, SrcRoi, Dst, DstStep, DstRoiSize, XFactor, YFactor, Interpolation);
}

IppStatus LibC::ippiResize_8u_C4R(const Ipp8u* Src, IppiSize SrcSize, int SrcStep, IppiRect SrcRoi,
                                  Ipp8u* Dst, int DstStep, IppiSize DstRoiSize, double XFactor,
                                  double YFactor, int Interpolation)
{
  return Resize<4, false>(Src, SrcSize, SrcStep, SrcRoi, Dst, DstStep, DstRoiSize, XFactor, YFactor, Interpolation);
}
