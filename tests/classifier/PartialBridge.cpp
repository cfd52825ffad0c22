// A stand-in for the bridge that lacks cvSVD, for the loader's "Can't get"
// path. It counts its live matrices so that a test can see them released.
#include "bridge/JXOpenCV2.h"

#include <atomic>
#include <cstddef>
#include <vector>

struct JXMat
{
  int32_t Rows, Cols;
  std::vector<double> Data;
};

namespace {
std::atomic<int32_t> GLive{0};
}

extern "C" {

JXMat* cvCreateMat(int32_t rows, int32_t cols, int32_t type)
{
  if (rows < 0 || cols < 0 || type != JX_64FC1)
    return nullptr;
  ++GLive;
  return new JXMat{rows, cols, std::vector<double>(static_cast<std::size_t>(rows) * cols)};
}

void cvReleaseMat(JXMat** mat)
{
  if (!mat || !*mat)
    return;
  --GLive;
  delete *mat;
  *mat = nullptr;
}

int32_t cvSetMatItem(JXMat* mat, int32_t row, int32_t col, double value)
{
  if (!mat || row < 0 || row >= mat->Rows || col < 0 || col >= mat->Cols)
    return JX_STS_OUT_OF_RANGE;
  mat->Data[static_cast<std::size_t>(row) * mat->Cols + col] = value;
  return JX_STS_OK;
}

double cvGetMatItem(JXMat* mat, int32_t row, int32_t col)
{
  return mat->Data[static_cast<std::size_t>(row) * mat->Cols + col];
}

int32_t PartialBridgeLiveMatrices()
{
  return GLive.load();
}

} // extern "C"
