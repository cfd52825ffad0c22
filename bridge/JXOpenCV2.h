/*===- bridge/JXOpenCV2.h - The decomposition bridge's C interface -------===*\
 *
 * libJXOpenCV2.so exports exactly these five functions, with the C calling
 * convention, and nothing else. Matrices are dense, row-major, and of the one
 * type JX_64FC1 (doubles). The library needs no set-up; any thread may call it,
 * but one matrix must not be used by two threads at once.
 *
 * Errors never crash and never unwind into the caller. A handle is checked
 * against the matrices this library made and has not yet freed, so a null,
 * freed or foreign handle is reported, not dereferenced:
 *
 *   cvCreateMat   null for a negative size, a type other than JX_64FC1, or
 *                 when memory runs out. 0 rows or 0 columns make an empty
 *                 matrix.
 *   cvReleaseMat  frees *mat and sets it to null; a null address, a null
 *                 handle or an unknown handle is left alone.
 *   cvSVD         JX_STS_OK, or a negative JX_STS_* (nothing is written then).
 *   cvSetMatItem  JX_STS_OK, or a negative JX_STS_* (nothing is written then).
 *   cvGetMatItem  the value, or a quiet NaN for a bad handle or position.
 *
\*===----------------------------------------------------------------------===*/
#ifndef JXOPENCV2_H
#define JXOPENCV2_H

#include <stdint.h>

#if defined(JXOPENCV2_BUILD)
#define JXOPENCV2_API __attribute__((visibility("default")))
#else
#define JXOPENCV2_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct JXMat JXMat;

enum {
  JX_64FC1 = 6,       /* single-channel doubles: the only type */
  JX_SVD_MODIFY_A = 1, /* A may be changed (this library never changes it) */
  JX_SVD_U_T = 2,     /* U receives U transposed: row i is the left vector of w[i] */
  JX_SVD_V_T = 4      /* V receives V transposed */
};

enum {
  JX_STS_OK = 0,
  JX_STS_BAD_HANDLE = -1,   /* null, freed or foreign matrix */
  JX_STS_OUT_OF_RANGE = -2, /* row or column outside the matrix */
  JX_STS_BAD_SIZE = -3,     /* shapes of W, U or V do not fit A */
  JX_STS_BAD_FLAGS = -4,    /* a flag bit this library does not know */
  JX_STS_NO_MEMORY = -5
};

/* A rows x cols matrix of zeros. */
JXOPENCV2_API JXMat* cvCreateMat(int32_t rows, int32_t cols, int32_t type);
JXOPENCV2_API void cvReleaseMat(JXMat** mat);
/* A (m x n) = U * diag(W) * transpose(V), k = min(m, n). W is 1 x k or k x 1
 * and receives the singular values in descending order. U (may be null) is
 * m x m or m x k, transposed with JX_SVD_U_T; V (may be null) is n x n or
 * n x k, transposed with JX_SVD_V_T. Singular vectors are paired with W by
 * index. For a symmetric positive semi-definite A the singular values are its
 * eigenvalues and the left vectors its eigenvectors. */
JXOPENCV2_API int32_t cvSVD(JXMat* A, JXMat* W, JXMat* U, JXMat* V, int32_t flags);
JXOPENCV2_API int32_t cvSetMatItem(JXMat* mat, int32_t row, int32_t col, double value);
JXOPENCV2_API double cvGetMatItem(JXMat* mat, int32_t row, int32_t col);

#ifdef __cplusplus
}
#endif

#endif /* JXOPENCV2_H */
