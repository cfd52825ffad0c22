// The decomposition bridge over Eigen. Matrices are plain row-major arrays of
// doubles; every handle that comes in is looked up among the live matrices
// before it is touched.
#include "bridge/JXOpenCV2.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

struct JXMat
{
  int32_t Rows = 0;
  int32_t Cols = 0;
  std::vector<double> Data; // Rows x Cols, row after row

  double& At(int32_t ARow, int32_t ACol)
  {
    return Data[static_cast<std::size_t>(ARow) * static_cast<std::size_t>(Cols) +
                static_cast<std::size_t>(ACol)];
  }
};

namespace {

using TMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

std::mutex GLiveLock;
std::unordered_set<const JXMat*> GLive; // guarded by GLiveLock: made and not yet freed

bool IsLive(const JXMat* AMat)
{
  if (!AMat)
    return false;
  std::lock_guard<std::mutex> Guard(GLiveLock);
  return GLive.count(AMat) != 0;
}

bool InRange(const JXMat& AMat, int32_t ARow, int32_t ACol)
{
  return ARow >= 0 && ARow < AMat.Rows && ACol >= 0 && ACol < AMat.Cols;
}

bool HasShape(const JXMat& AMat, int32_t ARows, int32_t ACols)
{
  return AMat.Rows == ARows && AMat.Cols == ACols;
}

/// Checks the shape of a singular-vector matrix for a factor with ADim rows
/// and AK singular values: ADim x ADim (full) or ADim x AK (thin), both
/// transposed when ATransposed. Sets AFull.
bool VectorShape(const JXMat& AMat, int32_t ADim, int32_t AK, bool ATransposed, bool& AFull)
{
  const int32_t Rows = ATransposed ? AMat.Cols : AMat.Rows;
  const int32_t Cols = ATransposed ? AMat.Rows : AMat.Cols;
  if (Rows != ADim || (Cols != ADim && Cols != AK))
    return false;
  AFull = Cols == ADim;
  return true;
}

void Store(JXMat& ADest, const Eigen::MatrixXd& AVectors, bool ATransposed)
{
  const int32_t Cols = static_cast<int32_t>(AVectors.cols());
  for (int32_t I = 0; I < static_cast<int32_t>(AVectors.rows()); ++I)
    for (int32_t J = 0; J < Cols; ++J) {
      if (ATransposed)
        ADest.At(J, I) = AVectors(I, J);
      else
        ADest.At(I, J) = AVectors(I, J);
    }
}

int32_t Decompose(JXMat& A, JXMat& W, JXMat* U, JXMat* V, int32_t AFlags)
{
  const int32_t M = A.Rows;
  const int32_t N = A.Cols;
  const int32_t K = std::min(M, N);
  if (!HasShape(W, 1, K) && !HasShape(W, K, 1))
    return JX_STS_BAD_SIZE;
  bool FullU = false;
  bool FullV = false;
  if (U && !VectorShape(*U, M, K, (AFlags & JX_SVD_U_T) != 0, FullU))
    return JX_STS_BAD_SIZE;
  if (V && !VectorShape(*V, N, K, (AFlags & JX_SVD_V_T) != 0, FullV))
    return JX_STS_BAD_SIZE;

  Eigen::MatrixXd Left;
  Eigen::MatrixXd Right;
  Eigen::VectorXd Values;
  if (K == 0) {
    // Nothing to decompose; any orthonormal basis serves a full factor.
    Left = Eigen::MatrixXd::Identity(M, FullU ? M : 0);
    Right = Eigen::MatrixXd::Identity(N, FullV ? N : 0);
  } else {
    unsigned int Options = 0;
    if (U)
      Options |= FullU ? Eigen::ComputeFullU : Eigen::ComputeThinU;
    if (V)
      Options |= FullV ? Eigen::ComputeFullV : Eigen::ComputeThinV;
    const Eigen::Map<const TMatrix> Input(A.Data.data(), M, N);
    // Two-sided Jacobi: accurate for the small matrices this serves, and its
    // singular values come sorted in descending order.
    const Eigen::JacobiSVD<Eigen::MatrixXd> Svd(Input, Options);
    Values = Svd.singularValues();
    if (U)
      Left = Svd.matrixU();
    if (V)
      Right = Svd.matrixV();
  }
  for (int32_t I = 0; I < K; ++I)
    W.Data[static_cast<std::size_t>(I)] = Values(I);
  if (U)
    Store(*U, Left, (AFlags & JX_SVD_U_T) != 0);
  if (V)
    Store(*V, Right, (AFlags & JX_SVD_V_T) != 0);
  return JX_STS_OK;
}

} // namespace

extern "C" {

JXOPENCV2_API JXMat* cvCreateMat(int32_t rows, int32_t cols, int32_t type)
{
  if (rows < 0 || cols < 0 || type != JX_64FC1)
    return nullptr;
  try {
    auto Mat = std::make_unique<JXMat>();
    Mat->Rows = rows;
    Mat->Cols = cols;
    Mat->Data.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0.0);
    std::lock_guard<std::mutex> Guard(GLiveLock);
    GLive.insert(Mat.get());
    return Mat.release();
  } catch (...) {
    return nullptr; // out of memory
  }
}

JXOPENCV2_API void cvReleaseMat(JXMat** mat)
{
  if (!mat || !*mat)
    return;
  {
    std::lock_guard<std::mutex> Guard(GLiveLock);
    if (GLive.erase(*mat) == 0)
      return; // not ours, or freed already
  }
  delete *mat;
  *mat = nullptr;
}

JXOPENCV2_API int32_t cvSVD(JXMat* A, JXMat* W, JXMat* U, JXMat* V, int32_t flags)
{
  if (!IsLive(A) || !IsLive(W) || (U && !IsLive(U)) || (V && !IsLive(V)))
    return JX_STS_BAD_HANDLE;
  if ((flags & ~(JX_SVD_MODIFY_A | JX_SVD_U_T | JX_SVD_V_T)) != 0)
    return JX_STS_BAD_FLAGS;
  try {
    return Decompose(*A, *W, U, V, flags);
  } catch (...) {
    return JX_STS_NO_MEMORY; // Eigen raises nothing else
  }
}

JXOPENCV2_API int32_t cvSetMatItem(JXMat* mat, int32_t row, int32_t col, double value)
{
  if (!IsLive(mat))
    return JX_STS_BAD_HANDLE;
  if (!InRange(*mat, row, col))
    return JX_STS_OUT_OF_RANGE;
  mat->At(row, col) = value;
  return JX_STS_OK;
}

JXOPENCV2_API double cvGetMatItem(JXMat* mat, int32_t row, int32_t col)
{
  if (!IsLive(mat) || !InRange(*mat, row, col))
    return std::numeric_limits<double>::quiet_NaN();
  return mat->At(row, col);
}

} // extern "C"
