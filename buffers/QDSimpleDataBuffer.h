//===- buffers/QDSimpleDataBuffer.h - Buffers and their interfaces -*- C++ -*-===//
///
/// \file
/// Buffers are reference-counted views of shared storage blocks
/// (QDInternalStore.h). Copying a buffer never copies its data: the copy shares
/// the block, and the data is copied only when a buffer whose block has another
/// owner is about to be written (copy-on-write):
///
/// \code
///   TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(3);
///   A->SetItem(0, 1.0);                       // A is the only owner: in place
///   TRef<IQDRealBuffer> B = TQDRealBuffer::CreateCopy(A); // shares A's block
///   B->SetItem(0, 2.0);                       // B takes its own copy first
/// \endcode
///
/// Class tree: TQDBasicBuffer > TQDGenericBuffer > TQDMemoryBuffer >
/// TQDLinearMemoryBuffer > TQDRealBuffer, and TQDMemoryBuffer >
/// TQDRealMatrixBuffer. TQDRealBufferList is a list of real buffers.
///
/// Accessors say what they copy: `Read` never copies; `Write` copies a shared
/// block without keeping its values; `Modify` copies keeping them. A pointer
/// from any of them is valid until the buffer is next written, resized or
/// released.
///
/// Thread safety: buffers may be created, passed and released on any thread,
/// and buffers that share a block may be written on different threads. One
/// buffer must not be written by two threads at once.
///
//===----------------------------------------------------------------------===//
#pragma once

#include "buffers/QDInternalStore.h"
#include "platform/Exceptions.h"
#include "platform/Interfaces.h"
#include "platform/PlatformTypes.h"

#include <new>
#include <string>
#include <vector>

class TQDSequenceStamp;

// ---------------------------------------------------------------------------
// Interfaces
// ---------------------------------------------------------------------------

/// Any data object that can be passed on and copied.
struct IQDData : virtual IInterface
{
  static constexpr TGUID IID = MakeGUID("{B9246BCA-4961-415C-945F-257B3EA0ECFC}");
  using TParent = IInterface;

  /// The implementing object (not a new reference).
  virtual TObject* GetInstance() = 0;
  /// A new object of the same class sharing this one's data.
  virtual TRef<IQDData> MakeCopy() = 0;
};

/// A buffer of bytes in a storage block.
struct IQDDataBuffer : virtual IQDData
{
  static constexpr TGUID IID = MakeGUID("{CA519E69-AECD-43D8-89CF-3B55E15541ED}");
  using TParent = IQDData;

  /// Shares OtherBuffer's block, byte size and data pointer. Copies no data.
  /// Raises EInvalidCast when OtherBuffer is not a generic buffer.
  virtual void Assign(const TRef<IQDDataBuffer>& OtherBuffer) = 0;
  virtual Boolean IsEqual(const TRef<IQDDataBuffer>& Other) = 0;
  /// Never copies.
  virtual const Byte* ByteRead() = 0;
  /// Copies a shared block first, without keeping its bytes.
  virtual Byte* ByteWrite() = 0;
  /// Copies a shared block first, keeping its bytes.
  virtual Byte* ByteModify() = 0;
  virtual Cardinal GetByteSize() = 0;
  /// Number of elements (bytes for a plain memory buffer).
  virtual Cardinal GetSize() = 0;
  /// The stamp of the data this buffer views (owned by the buffer).
  virtual TQDSequenceStamp* GetSequenceStamp() = 0;
  /// Copies Count bytes from this buffer at byte SrcOffset into Dest at byte
  /// DestOffset (Dest is made unique first). Real buffers count elements when
  /// Dest is a real buffer too. Raises ERangeError, before anything is written,
  /// when a range does not lie inside its buffer.
  virtual void CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest, Cardinal DestOffset,
                      Cardinal Count) = 0;
  /// Gives this buffer a block of its own if another owner shares it.
  virtual void Unique(Boolean PreserveData) = 0;
  /// Writes the GetByteSize data bytes, and nothing else, to AFileName (no
  /// copy-on-write). A regular file is written under a temporary name in the
  /// same folder, flushed and then renamed over AFileName, so a failed save
  /// leaves an existing file as it was and no temporary behind; a target that
  /// is no regular file (a device, a pipe) is written in place. Raises
  /// EFCreateError "Cannot create file "%s". %s" or EWriteError "Stream write error".
  virtual void SaveToFile(const std::string& AFileName) = 0;
  /// Reads GetByteSize bytes from the start of AFileName; size and shape stay,
  /// later bytes are ignored. A shared block is replaced by a fresh one. Raises
  /// EFOpenError "Cannot open file "%s". %s", or EReadError "Stream read error"
  /// for a shorter file, which leaves the buffer as it was.
  virtual void LoadFromFile(const std::string& AFileName) = 0;
};

struct IQDGenericBuffer : virtual IQDDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{D4612012-7681-404F-ACCB-1086DA16207B}");
  using TParent = IQDDataBuffer;
};

/// A buffer whose element count can change.
struct IQDLinearDataBuffer : virtual IQDDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{4C550C77-77FF-4AF4-A959-C1085B1DE2F4}");
  using TParent = IQDDataBuffer;

  /// Size elements. With PreserveData the first min(old, new) elements keep
  /// their values; without, every change of size other than to 0 takes a new
  /// block whose contents are undefined.
  virtual void Resize(Cardinal Size, Boolean PreserveData) = 0;
};

/// Which values a threshold replaces: those above it, or those below it.
enum TQDThresholdType
{
  ttGreaterThan,
  ttLessThan,
};

/// Scaling of an autocorrelation: none, by the source length (biased), or by
/// the number of products in each lag (unbiased).
enum TQDAutoCorrType
{
  actNormal,
  actBiased,
  actUnbiased,
};

/// Norm of a difference: sum of magnitudes, Euclidean, largest magnitude.
enum TQDNormType
{
  ntL1Norm,
  ntL2Norm,
  ntCNorm,
};

/// A real buffer operation that cannot run as asked: its primitive is not
/// available, refused the arguments, or was given a null pointer. Raised instead
/// of returning as if the operation had been done.
class EQDPrimitiveError : public Exception
{
public:
  using Exception::Exception;
};

/// A vector of doubles.
struct IQDRealBuffer : virtual IQDLinearDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{032C61EC-364E-4739-A2FE-E7DA0BA64939}");
  using TParent = IQDLinearDataBuffer;

  /// Never copies.
  virtual const Real* Read() = 0;
  /// Copies a shared block first without keeping its values; the caller
  /// overwrites every element it needs.
  virtual Real* Write() = 0;
  /// Copies a shared block first, keeping its values.
  virtual Real* Modify() = 0;
  /// Raises ERangeError "Index out of range = %u" unless 0 <= Index < GetSize.
  virtual Real GetItem(Integer Index) = 0;
  /// Copies a shared block first (even when Index then proves bad), then checks
  /// Index as GetItem does and stores Value.
  virtual void SetItem(Integer Index, Real Value) = 0;

  // Operations. Each is one pass of a dispatch entry. With a second buffer of
  // another size they work on the common prefix; nothing is reallocated. An
  // operation that writes fewer elements than Self holds through a copied block
  // leaves the rest undefined. Empty data makes every operation do nothing and
  // every result 0.

  /// Fills Self with the test vector AMagnitude * sin(pi n^2 / (2 Size)).
  virtual void VectorJaehne(Real AMagnitude) = 0;
  /// Self[i] += Right[i].
  virtual void Add(const TRef<IQDRealBuffer>& Right) = 0;
  /// Self[i] -= Right[i].
  virtual void Subtract(const TRef<IQDRealBuffer>& Right) = 0;
  /// Self[i] *= Right[i].
  virtual void Multiply(const TRef<IQDRealBuffer>& Right) = 0;
  /// Self[i] /= Right[i]; where Right[i] is 0 or NaN the result is 1.0E15 for a
  /// positive quotient and -1.0E14 otherwise.
  virtual void Divide(const TRef<IQDRealBuffer>& Right) = 0;
  virtual void SetValue(Real AValue) = 0;
  /// Does nothing at all (no copy of a shared block) for AValue 0.
  virtual void AddValue(Real AValue) = 0;
  /// Does nothing at all for AValue 0.
  virtual void SubtractValue(Real AValue) = 0;
  /// Does nothing at all for AValue 1.
  virtual void MultiplyValue(Real AValue) = 0;
  /// Does nothing at all for AValue 0 or 1: dividing by 0 is not an error.
  virtual void DivideValue(Real AValue) = 0;
  virtual void Zero() = 0;
  /// Writes GetSize saturated integers to OutBuffer, rounded to nearest or
  /// toward zero. Raises EQDPrimitiveError for a null OutBuffer.
  virtual void ToInt(Integer* OutBuffer, Boolean ARound) = 0;
  /// Writes the low 16 bits of each value rounded to nearest (ties to even) or
  /// toward zero, without saturation (NaN and values out of the 64-bit range
  /// give 0). Raises EQDPrimitiveError for a null OutBuffer.
  virtual void ToShort(SmallInt* OutBuffer, Boolean ARound) = 0;
  virtual void ToSingle(Single* OutBuffer) = 0;
  /// Reads GetSize values from InBuffer. Raises EQDPrimitiveError for a null
  /// InBuffer, before Self is touched.
  virtual void FromInt(const Integer* InBuffer) = 0;
  virtual void FromShort(const SmallInt* InBuffer) = 0;
  virtual void FromSingle(const Single* InBuffer) = 0;
  /// Self[i] = (Src[i] - Offset) / Factor. Raises EQDPrimitiveError for a Factor
  /// the primitive refuses (0, NaN, subnormal).
  virtual void NormalizeFrom(const TRef<IQDRealBuffer>& Src, Real Offset, Real Factor) = 0;
  /// In place: reads the old values from a second reference to the block while
  /// Self moves to a fresh one. On a refused Factor Self keeps its values.
  virtual void Normalize(Real Offset, Real Factor) = 0;
  virtual Real Dot(const TRef<IQDRealBuffer>& Right) = 0;
  /// ttGreaterThan: values above AThreshold become AThreshold; ttLessThan:
  /// values below it do.
  virtual void Threshold(Real AThreshold, TQDThresholdType AType) = 0;
  /// Threshold of Src's first GetSize values into Self. Raises ERangeError when
  /// Src is shorter than Self.
  virtual void ThresholdFrom(const TRef<IQDRealBuffer>& Src, Real AThreshold,
                             TQDThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void SqrFrom(const TRef<IQDRealBuffer>& Src) = 0;
  virtual void Sqrt() = 0;
  virtual void SqrtFrom(const TRef<IQDRealBuffer>& Src) = 0;
  /// GetSize lags of the autocorrelation of Src's first GetSize values. Raises
  /// ERangeError when Src is shorter than Self.
  virtual void AutoCorr(const TRef<IQDRealBuffer>& Src, TQDAutoCorrType AType) = 0;
  /// GetSize lags of the cross-correlation of Src1 and Src2, from lag LoLag.
  virtual void CrossCorr(const TRef<IQDRealBuffer>& Src1, const TRef<IQDRealBuffer>& Src2,
                         Integer LoLag) = 0;
  virtual void Abs() = 0;
  virtual void AbsFrom(const TRef<IQDRealBuffer>& Src) = 0;
  virtual void Exp() = 0;
  virtual void ExpFrom(const TRef<IQDRealBuffer>& Src) = 0;
  virtual void Ln() = 0;
  virtual void LnFrom(const TRef<IQDRealBuffer>& Src) = 0;
  virtual Real Mean() = 0;
  virtual Real StdDev() = 0;
  /// The full convolution of Src and H into Self's first Size(Src) + Size(H) - 1
  /// values. Raises ERangeError when Self is shorter.
  virtual void Convolve(const TRef<IQDRealBuffer>& Src, const TRef<IQDRealBuffer>& H) = 0;
  /// The norm of Src - Self over Self's GetSize values. Raises ERangeError when
  /// Src is shorter than Self.
  virtual Real Norm(const TRef<IQDRealBuffer>& Src, TQDNormType AType) = 0;
  virtual Real GetMinValue() = 0;
  virtual Real GetMaxValue() = 0;
  /// The smallest value, its first index in AIndex (0 for an empty buffer).
  virtual Real GetMinIndex(Integer& AIndex) = 0;
  virtual Real GetMaxIndex(Integer& AIndex) = 0;
  /// Over [IndexBegin, IndexEnd) after clamping: a negative bound becomes 0, an
  /// IndexEnd above GetSize becomes GetSize, an IndexBegin at or above GetSize
  /// becomes GetSize - 1. 0 for an empty range.
  virtual Real GetMin(Integer IndexBegin, Integer IndexEnd) = 0;
  virtual Real GetMax(Integer IndexBegin, Integer IndexEnd) = 0;
  /// As GetMin, skipping the missing-data markers -1.7E308 and +1.7E308 and NaN,
  /// except that a marker at IndexBegin counts as 0.
  virtual Real GetMinRestricted(Integer IndexBegin, Integer IndexEnd) = 0;
  virtual Real GetMaxRestricted(Integer IndexBegin, Integer IndexEnd) = 0;
};

/// An indexed set of real vectors (the rows of a matrix, the items of a list).
struct IQDRealBufferArray : virtual IQDData
{
  static constexpr TGUID IID = MakeGUID("{7917F92D-A6A1-4209-9491-F36F589B1006}");
  using TParent = IQDData;

  /// Takes Other's items: a matrix reshapes to Other's count x longest item,
  /// a list holds Other's item references (row copies from a matrix). Raises
  /// EInvalidCast for an empty Other.
  virtual void Assign(const TRef<IQDRealBufferArray>& Other) = 0;
  /// Length of the longest item.
  virtual Integer GetMaxSize() = 0;
  virtual Integer GetCount() = 0;
  virtual Integer GetItemSize(Integer Index) = 0;
  /// Item Index: a fresh copy of a matrix row; the stored object of a list.
  virtual TRef<IQDRealBuffer> GetItem(Integer Index) = 0;
  virtual void SetItem(Integer Index, const TRef<IQDRealBuffer>& Buffer) = 0;
  virtual Real GetElement(Integer Index, Integer ItemIndex) = 0;
  virtual void SetElement(Integer Index, Integer ItemIndex, Real Value) = 0;

  // Whole-array arithmetic. Item i works with Other's item i over their common
  // prefix; writes go through copy-on-write, so holders of a shared block keep
  // their values (a list's items are changed as the objects they are).
  // Raises EInvalidCast for an empty Other.
  virtual void Add(const TRef<IQDRealBufferArray>& Other) = 0;
  virtual void Subtract(const TRef<IQDRealBufferArray>& Other) = 0;
  virtual void Multiply(const TRef<IQDRealBufferArray>& Other) = 0;
  /// Where a divisor is 0 or NaN the quotient becomes 1.0E15 (positive
  /// quotient) or -1.0E14 (otherwise).
  virtual void Divide(const TRef<IQDRealBufferArray>& Other) = 0;
  virtual void SetValue(Real AValue) = 0;
  /// AddValue(0), SubtractValue(0), MultiplyValue(1), DivideValue(0 or 1) do
  /// nothing at all: a shared block stays shared.
  virtual void AddValue(Real AValue) = 0;
  virtual void SubtractValue(Real AValue) = 0;
  virtual void MultiplyValue(Real AValue) = 0;
  virtual void DivideValue(Real AValue) = 0;
  virtual void Zero() = 0;
  /// A matrix of ACount rows x ASize columns; a list of ACount items of ASize
  /// values. With PreserveData the values are kept in storage order (a matrix
  /// does not re-lay its rows out); without, new values are undefined. Raises
  /// ERangeError for a negative count or size.
  virtual void SetSize(Integer ACount, Integer ASize, Boolean PreserveData) = 0;
};

/// A growable list of real vectors.
struct IQDRealBufferDynamicArray : virtual IQDRealBufferArray
{
  static constexpr TGUID IID = MakeGUID("{65819F32-AF42-44B6-ADC8-281838466FB8}");
  using TParent = IQDRealBufferArray;

  /// Adds the reference at the end (no copy).
  virtual void Append(const TRef<IQDRealBuffer>& AValue) = 0;
};

/// A rows x columns matrix of doubles stored row after row.
struct IQDRealMatrixBuffer : virtual IQDRealBufferArray
{
  static constexpr TGUID IID = MakeGUID("{F3CA41F1-2B7E-49F4-8E08-7B78E6031B57}");
  using TParent = IQDRealBufferArray;

  using IQDRealBufferArray::GetItem;
  using IQDRealBufferArray::SetItem;

  virtual const Real* Read() = 0;
  virtual Real* Write() = 0;
  virtual Real* Modify() = 0;
  virtual Integer GetCols() = 0;
  virtual Integer GetRows() = 0;
  /// Raises "Column out of range = %u" (tested first), then "Row out of range = %u".
  virtual Real GetItem(Integer Row, Integer Col) = 0;
  /// Copies a shared block first, then checks as GetItem does and stores.
  virtual void SetItem(Integer Row, Integer Col, Real Value) = 0;
  /// As the array's GetItem(Index): a fresh copy of the row.
  virtual TRef<IQDRealBuffer> GetRow(Integer Index) = 0;
  /// As the array's SetItem(Index, Buffer): writes into the current block in
  /// place, so every buffer sharing the block sees the new row.
  virtual void SetRow(Integer Index, const TRef<IQDRealBuffer>& Buffer) = 0;
  /// ARows x ACols. Shrinking with PreserveData, or growing a block this
  /// matrix owns alone within its reserved memory, keeps the block; otherwise a
  /// new block is taken (its first values copied when PreserveData).
  void SetSize(Integer ARows, Integer ACols, Boolean PreserveData) override = 0;
};

// ---------------------------------------------------------------------------
// Classes
// ---------------------------------------------------------------------------

class TQDGenericBuffer;

/// The stamp of the data a buffer views. It reads and writes the sequence
/// number of the buffer's *current* block, so every buffer sharing a block sees
/// the same stamp, and a buffer that receives a fresh block starts unstamped.
class TQDSequenceStamp
{
public:
  explicit TQDSequenceStamp(TQDGenericBuffer* AIntBuffer) : FIntBuffer(AIntBuffer) {}
  TQDSequenceStamp(const TQDSequenceStamp&) = delete;
  TQDSequenceStamp& operator=(const TQDSequenceStamp&) = delete;

  Boolean GetAvailable() const;
  void SetAvailable(Boolean AValue);
  Int64 GetBufferNumber() const;
  void SetBufferNumber(Int64 AValue);

private:
  TQDGenericBuffer* FIntBuffer; // not owned: the buffer that owns this stamp
};

/// Root of the buffer classes.
class TQDBasicBuffer : public TInterfacedObject, public virtual IQDData
{
public:
  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TObject* GetInstance() override { return this; }
  /// MakeCopy as an IQDData reference.
  TRef<IQDData> MakeIntfCopy() { return MakeCopy(); }

protected:
  TQDBasicBuffer() = default;
};

/// A buffer over a storage block. Holds one transport reference on its block,
/// and one owner reference until RemoveOwnerShip.
class TQDGenericBuffer : public TQDBasicBuffer, public virtual IQDGenericBuffer
{
public:
  /// Shares ADataContainer with ASize bytes; the data pointer stays empty.
  static TRef<TQDGenericBuffer> Create(TQDSmartBuffer* ADataContainer, Cardinal ASize);
  /// Share the block, byte size and data pointer of Other (or Other's instance).
  static TRef<TQDGenericBuffer> CreateEx(TQDGenericBuffer* Other);
  static TRef<TQDGenericBuffer> CreateCopy(const TRef<IQDGenericBuffer>& Other);
  /// Raises EInvalidCast when Other's instance is not a generic buffer.
  static TRef<TQDGenericBuffer> CreateUniversal(const TRef<IQDData>& Other);

  ~TQDGenericBuffer() override;

  /// Buffer objects live in raw blocks of the storage pool, as their storage
  /// blocks do: a steady stream of buffers then never reaches the heap.
  static void* operator new(std::size_t ASize);
  static void operator delete(void* APtr, std::size_t ASize) noexcept;

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;

  // IQDDataBuffer
  void Assign(const TRef<IQDDataBuffer>& OtherBuffer) override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;
  const Byte* ByteRead() override { return FDataPtr; }
  Byte* ByteWrite() override;
  Byte* ByteModify() override;
  Cardinal GetByteSize() override { return FCharSize; }
  Cardinal GetSize() override { return FCharSize; }
  TQDSequenceStamp* GetSequenceStamp() override { return &FSequenceStamp; }
  void CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest, Cardinal DestOffset,
              Cardinal Count) override;
  void Unique(Boolean PreserveData) override { MakeUnique(PreserveData); }
  void SaveToFile(const std::string& AFileName) override;
  void LoadFromFile(const std::string& AFileName) override;

  /// Gives this buffer a block of its own when its block has another owner.
  /// Returns true when it did (a fresh block, its bytes copied only when
  /// PreserveData), false when the buffer may write in place.
  virtual Boolean MakeUnique(Boolean PreserveData);
  /// Re-reads the data pointer from the block (memory buffers).
  virtual void UpdateDataPtr() {}
  /// Sets the block field only; no count changes.
  virtual void SetDataContainer(TQDSmartBuffer* Block) { pDataContainer = Block; }
  /// Gives up ownership: the block stays alive for this buffer, but other
  /// owners no longer copy because of it, and this buffer writes into the
  /// shared data as long as at most one owner remains (explicit sharing).
  virtual void RemoveOwnerShip();

  TQDSmartBuffer* GetDataContainer() const { return pDataContainer; }
  Boolean OwnsData() const { return FOwnsData; }
  TRef<IQDData> GetDataIntf() { return TRef<IQDData>(this); }
  TRef<IQDDataBuffer> GetDataBufferIntf() { return TRef<IQDDataBuffer>(this); }

protected:
  TQDGenericBuffer() : FSequenceStamp(this) {}

  /// Makes ABlock this buffer's block (taking its references) with ACharSize
  /// bytes. The buffer must have no block yet.
  void AttachBlock(TQDSmartBuffer* ABlock, Cardinal ACharSize);
  /// Moves this buffer from its block to ABlock: the new references are taken
  /// before the old ones are dropped.
  void ReplaceBlock(TQDSmartBuffer* ABlock);
  /// Shares Other's block, byte size and data pointer.
  void ShareFrom(TQDGenericBuffer& Other);
  /// MakeUnique for a block that had another owner a moment ago: checks again
  /// under the block's lock and clones. Out of line, so that the common case
  /// of MakeUnique stays a few instructions.
  Boolean CopyShared(Boolean PreserveData);
  /// Throws ERangeError unless [AOffset, AOffset + ACount) lies in ASize.
  static void CheckRange(UInt64 AOffset, UInt64 ACount, UInt64 ASize);

  TQDSequenceStamp FSequenceStamp; // owned: lives and dies with the buffer
  Byte* FDataPtr = nullptr;        // cached start of the data
  Cardinal FCharSize = 0;          // data size in bytes
  TQDSmartBuffer* pDataContainer = nullptr; // the block; this buffer's references on it
  Boolean FOwnsData = true;

  friend class TQDSequenceStamp;
};

/// A buffer whose block is a memory block; elements are bytes.
class TQDMemoryBuffer : public TQDGenericBuffer
{
public:
  /// A new block of ASize bytes, contents undefined.
  static TRef<TQDMemoryBuffer> CreateSize(Cardinal ASize);
  /// Shares ADataContainer with ASize bytes.
  static TRef<TQDMemoryBuffer> Create(TQDSmartMemoryBuffer* ADataContainer, Cardinal ASize);
  /// Shares Other's block and byte size.
  static TRef<TQDMemoryBuffer> CreateEx(TQDMemoryBuffer* Other);

  TRef<IQDData> MakeCopy() override;
  void UpdateDataPtr() override;

  /// The storage block as a memory block (null when it is none).
  TQDSmartMemoryBuffer* pBuffer() const { return dynamic_cast<TQDSmartMemoryBuffer*>(pDataContainer); }
  /// Makes ABlock the storage block, moving this buffer's references to it.
  void SetpBuffer(TQDSmartMemoryBuffer* ABlock) { ReplaceBlock(ABlock); }

  /// A new memory block for N elements (N x element size bytes).
  virtual TQDSmartMemoryBuffer* CreateStorage(Cardinal N);
  virtual Cardinal GetElementSize() { return 1; }
  Cardinal GetCharSize() { return FCharSize; }

protected:
  TQDMemoryBuffer() = default;
  /// Attaches a fresh block for ACount elements.
  void AttachNewStorage(Cardinal ACount);
};

/// A memory buffer whose element count can change. Not instantiated itself.
class TQDLinearMemoryBuffer : public TQDMemoryBuffer, public virtual IQDLinearDataBuffer
{
public:
  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override = 0;
  void Resize(Cardinal Size, Boolean PreserveData) override;

protected:
  TQDLinearMemoryBuffer() = default;
};

/// A vector of doubles.
class TQDRealBuffer : public TQDLinearMemoryBuffer, public virtual IQDRealBuffer
{
public:
  /// Empty: 0 elements (the block still reserves the minimum 4 bytes).
  static TRef<TQDRealBuffer> Create();
  /// ASize elements, contents undefined (pooled memory is not cleared).
  static TRef<TQDRealBuffer> CreateSize(Cardinal ASize);
  /// ASize doubles copied from AData.
  static TRef<TQDRealBuffer> CreateData(const Real* AData, Cardinal ASize);
  /// Shares Other's block and size.
  static TRef<TQDRealBuffer> CreateEx(TQDRealBuffer* Other);
  /// Shares the block and byte size of Other's instance; copy-on-write makes it
  /// a copy later. Raises EInvalidCast for an empty Other.
  static TRef<TQDRealBuffer> CreateCopy(const TRef<IQDRealBuffer>& Other);
  /// As CreateCopy for any buffer: its bytes are reinterpreted as doubles
  /// (N 4-byte elements give N div 2 doubles). Raises EInvalidCast when Other's
  /// instance is not a buffer.
  static TRef<TQDRealBuffer> CreateUniversal(const TRef<IQDData>& Other);
  /// ASize elements, each AValue.
  static TRef<TQDRealBuffer> CreateValue(Real AValue, Cardinal ASize);
  /// ASize values converted exactly from AData. Each raises EQDPrimitiveError
  /// for a null AData when ASize is above 0.
  static TRef<TQDRealBuffer> CreateWordData(const Word* AData, Cardinal ASize);
  static TRef<TQDRealBuffer> CreateSmallIntData(const SmallInt* AData, Cardinal ASize);
  static TRef<TQDRealBuffer> CreateCardinalData(const Cardinal* AData, Cardinal ASize);
  static TRef<TQDRealBuffer> CreateIntegerData(const Integer* AData, Cardinal ASize);
  static TRef<TQDRealBuffer> CreateSingleData(const Single* AData, Cardinal ASize);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;
  Cardinal GetSize() override { return FCharSize / sizeof(Real); }
  Cardinal GetElementSize() override { return sizeof(Real); }
  /// Counts elements when Dest is a real buffer, bytes otherwise.
  void CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest, Cardinal DestOffset,
              Cardinal Count) override;

  // IQDRealBuffer
  const Real* Read() override { return reinterpret_cast<const Real*>(FDataPtr); }
  Real* Write() override;
  Real* Modify() override;
  Real GetItem(Integer Index) override;
  void SetItem(Integer Index, Real Value) override;

  void VectorJaehne(Real AMagnitude) override;
  void Add(const TRef<IQDRealBuffer>& Right) override;
  void Subtract(const TRef<IQDRealBuffer>& Right) override;
  void Multiply(const TRef<IQDRealBuffer>& Right) override;
  void Divide(const TRef<IQDRealBuffer>& Right) override;
  void SetValue(Real AValue) override;
  void AddValue(Real AValue) override;
  void SubtractValue(Real AValue) override;
  void MultiplyValue(Real AValue) override;
  void DivideValue(Real AValue) override;
  void Zero() override;
  void ToInt(Integer* OutBuffer, Boolean ARound) override;
  void ToShort(SmallInt* OutBuffer, Boolean ARound) override;
  void ToSingle(Single* OutBuffer) override;
  void FromInt(const Integer* InBuffer) override;
  void FromShort(const SmallInt* InBuffer) override;
  void FromSingle(const Single* InBuffer) override;
  void NormalizeFrom(const TRef<IQDRealBuffer>& Src, Real Offset, Real Factor) override;
  void Normalize(Real Offset, Real Factor) override;
  Real Dot(const TRef<IQDRealBuffer>& Right) override;
  void Threshold(Real AThreshold, TQDThresholdType AType) override;
  void ThresholdFrom(const TRef<IQDRealBuffer>& Src, Real AThreshold,
                     TQDThresholdType AType) override;
  void Sqr() override;
  void SqrFrom(const TRef<IQDRealBuffer>& Src) override;
  void Sqrt() override;
  void SqrtFrom(const TRef<IQDRealBuffer>& Src) override;
  void AutoCorr(const TRef<IQDRealBuffer>& Src, TQDAutoCorrType AType) override;
  void CrossCorr(const TRef<IQDRealBuffer>& Src1, const TRef<IQDRealBuffer>& Src2,
                 Integer LoLag) override;
  void Abs() override;
  void AbsFrom(const TRef<IQDRealBuffer>& Src) override;
  void Exp() override;
  void ExpFrom(const TRef<IQDRealBuffer>& Src) override;
  void Ln() override;
  void LnFrom(const TRef<IQDRealBuffer>& Src) override;
  Real Mean() override;
  Real StdDev() override;
  void Convolve(const TRef<IQDRealBuffer>& Src, const TRef<IQDRealBuffer>& H) override;
  Real Norm(const TRef<IQDRealBuffer>& Src, TQDNormType AType) override;
  Real GetMinValue() override;
  Real GetMaxValue() override;
  Real GetMinIndex(Integer& AIndex) override;
  Real GetMaxIndex(Integer& AIndex) override;
  Real GetMin(Integer IndexBegin, Integer IndexEnd) override;
  Real GetMax(Integer IndexBegin, Integer IndexEnd) override;
  Real GetMinRestricted(Integer IndexBegin, Integer IndexEnd) override;
  Real GetMaxRestricted(Integer IndexBegin, Integer IndexEnd) override;

  /// Read-only properties: GetMinValue and GetMaxValue.
  Real Min() { return GetMinValue(); }
  Real Max() { return GetMaxValue(); }

protected:
  TQDRealBuffer() = default;

  /// Size as the primitives count it. Sizes fit: no block holds 2^31 doubles.
  Integer Count() { return static_cast<Integer>(GetSize()); }
  /// Clamps [ABegin, AEnd) by the range rule of GetMin and friends; false when
  /// the buffer is empty.
  Boolean ClampRange(Integer& ABegin, Integer& AEnd);

  /// A small real buffer that held the only reference to its block is kept
  /// built, block and data included, in the releasing thread's parking lot
  /// for the next CreateSize of that block size (a steady stream of small
  /// buffers, one per prediction, then costs a few stores each way).
  void LastReleased() noexcept override;

private:
  // This thread's parked buffer for ASize elements, ready to hand out; null
  // when there is none.
  static TQDRealBuffer* TakeParked(Cardinal ASize) noexcept;
  // Destroys this thread's parked buffers (the parking lot's flush).
  static void DestroyParked() noexcept;
};

/// A rows x columns matrix of doubles in one block: element (Row, Col) is at
/// index Col + Row x Cols. As an array its items are its rows.
class TQDRealMatrixBuffer : public TQDMemoryBuffer, public virtual IQDRealMatrixBuffer
{
public:
  /// 0 x 0.
  static TRef<TQDRealMatrixBuffer> Create();
  /// ARows x ACols, contents undefined.
  static TRef<TQDRealMatrixBuffer> CreateSize(Cardinal ARows, Cardinal ACols);
  /// Shares Other's block and shape.
  static TRef<TQDRealMatrixBuffer> CreateEx(TQDRealMatrixBuffer* Other);
  /// ARows x ACols doubles copied from AData (left undefined when AData is null).
  static TRef<TQDRealMatrixBuffer> CreateData(const Real* AData, Cardinal ARows, Cardinal ACols);
  /// ARows x ACols, every value AValue.
  static TRef<TQDRealMatrixBuffer> CreateValue(Real AValue, Cardinal ARows, Cardinal ACols);
  /// Shares the block, byte size and shape of Other's instance. Raises
  /// EInvalidCast for an empty Other.
  static TRef<TQDRealMatrixBuffer> CreateCopy(const TRef<IQDRealMatrixBuffer>& Other);
  /// A matrix from any data: a matrix is shared as by CreateCopy; another array
  /// is copied into a new matrix of its count x longest item, short rows filled
  /// up with zeros; a data buffer is shared as one row of its bytes read as
  /// doubles. Raises EInvalidCast for anything else.
  static TRef<TQDRealMatrixBuffer> CreateUniversal(const TRef<IQDData>& Other);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;
  Cardinal GetSize() override { return FCharSize / sizeof(Real); }
  Cardinal GetElementSize() override { return sizeof(Real); }
  TRef<IQDRealBufferArray> GetMatArrayIntf() { return TRef<IQDRealBufferArray>(this); }

  // IQDRealBufferArray
  using TQDGenericBuffer::Assign;
  /// SetSize(Other's count, Other's longest item, false), then row i takes
  /// Other's item i, the rest of a shorter row zeros. Writes through Write, so
  /// a copy that shared the block keeps its values.
  void Assign(const TRef<IQDRealBufferArray>& Other) override;
  Integer GetMaxSize() override { return FCols; }
  Integer GetCount() override { return FRows; }
  Integer GetItemSize(Integer /*Index*/) override { return FCols; }
  /// A new real buffer holding a copy of row Index. Raises "Row out of range = %u".
  TRef<IQDRealBuffer> GetItem(Integer Index) override;
  /// Copies min(Buffer's size, Cols) values into row Index in place (no
  /// copy-on-write). Raises "Row out of range = %u".
  void SetItem(Integer Index, const TRef<IQDRealBuffer>& Buffer) override;
  Real GetElement(Integer Index, Integer ItemIndex) override { return GetItem(Index, ItemIndex); }
  void SetElement(Integer Index, Integer ItemIndex, Real Value) override { SetItem(Index, ItemIndex, Value); }
  /// Row i, for i below both counts, with min(Cols, item size) values of
  /// Other's item i; further items and values are ignored.
  void Add(const TRef<IQDRealBufferArray>& Other) override;
  void Subtract(const TRef<IQDRealBufferArray>& Other) override;
  void Multiply(const TRef<IQDRealBufferArray>& Other) override;
  void Divide(const TRef<IQDRealBufferArray>& Other) override;
  /// The value operations run once over all Rows x Cols values.
  void SetValue(Real AValue) override;
  void AddValue(Real AValue) override;
  void SubtractValue(Real AValue) override;
  void MultiplyValue(Real AValue) override;
  void DivideValue(Real AValue) override;
  void Zero() override;
  /// Raises EOutOfMemory, before anything changes, for a shape no block can hold.
  void SetSize(Integer ARows, Integer ACols, Boolean PreserveData) override;

  // IQDRealMatrixBuffer
  const Real* Read() override { return reinterpret_cast<const Real*>(FDataPtr); }
  Real* Write() override;
  Real* Modify() override;
  Integer GetCols() override { return FCols; }
  Integer GetRows() override { return FRows; }
  Real GetItem(Integer Row, Integer Col) override;
  void SetItem(Integer Row, Integer Col, Real Value) override;
  TRef<IQDRealBuffer> GetRow(Integer Index) override { return GetItem(Index); }
  void SetRow(Integer Index, const TRef<IQDRealBuffer>& Buffer) override { SetItem(Index, Buffer); }

protected:
  TQDRealMatrixBuffer() = default;
  /// Index of element (Row, Col) after the range checks.
  Cardinal CheckedIndex(Integer Row, Integer Col);
  void CheckRow(Integer Row);

  Integer FCols = 0;
  Integer FRows = 0;
};

/// A list of real buffers of any sizes. Items are references: changing an item
/// obtained from GetItem changes the item in the list.
class TQDRealBufferList : public TInterfacedObject, public virtual IQDRealBufferDynamicArray
{
public:
  static TRef<TQDRealBufferList> Create();
  /// One new real buffer per given buffer, in order, each sharing its block
  /// (later writes on either side stay apart). Raises EInvalidCast for an
  /// empty entry.
  static TRef<TQDRealBufferList> CreateData(const std::vector<TRef<IQDRealBuffer>>& ABuffers);
  /// As CreateData over AOther's items: a list's items are shared by block, a
  /// matrix's rows copied. Raises EInvalidCast for an empty AOther.
  static TRef<TQDRealBufferList> CreateCopy(const TRef<IQDRealBufferArray>& AOther);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TObject* GetInstance() override { return this; }
  /// A new list of copies sharing each item's block (copy-on-write keeps the
  /// two lists' items apart).
  TRef<IQDData> MakeCopy() override;

  // IQDRealBufferArray
  /// Holds Other's item references (a matrix gives new row copies); nothing
  /// when Other is this list. Unchanged when reading Other fails.
  void Assign(const TRef<IQDRealBufferArray>& Other) override;
  Integer GetMaxSize() override;
  Integer GetCount() override { return static_cast<Integer>(FList.size()); }
  /// Raises EListError "List index out of bounds (%d)" outside the list.
  Integer GetItemSize(Integer Index) override;
  TRef<IQDRealBuffer> GetItem(Integer Index) override;
  void SetItem(Integer Index, const TRef<IQDRealBuffer>& Buffer) override;
  Real GetElement(Integer Index, Integer ItemIndex) override;
  void SetElement(Integer Index, Integer ItemIndex, Real Value) override;
  /// Item i with Other's item i over their common prefix. Other must have at
  /// least as many items: a list raises EListError "List index out of bounds
  /// (%d)", a matrix "Row out of range = %u", before any item changes.
  void Add(const TRef<IQDRealBufferArray>& Other) override;
  void Subtract(const TRef<IQDRealBufferArray>& Other) override;
  void Multiply(const TRef<IQDRealBufferArray>& Other) override;
  void Divide(const TRef<IQDRealBufferArray>& Other) override;
  /// The value operations run on every item in order.
  void SetValue(Real AValue) override;
  void AddValue(Real AValue) override;
  void SubtractValue(Real AValue) override;
  void MultiplyValue(Real AValue) override;
  void DivideValue(Real AValue) override;
  void Zero() override;
  /// Drops items from the end down to ACount, resizes the others to ASize,
  /// then appends new buffers of ASize (contents undefined) up to ACount.
  void SetSize(Integer ACount, Integer ASize, Boolean PreserveData) override;

  // IQDRealBufferDynamicArray
  void Append(const TRef<IQDRealBuffer>& AValue) override;

protected:
  TQDRealBufferList() = default;
  const TRef<IQDRealBuffer>& CheckedItem(Integer Index) const;

  std::vector<TRef<IQDRealBuffer>> FList;
};

// ---------------------------------------------------------------------------
// Integer, complex and byte buffers (QDTypedBuffers.cpp)
//
// Three more linear buffers with the storage, copy-on-write and creation
// scheme of the real buffer. Each operation is one call of a dispatch entry
// (primitives/QDScopeDispatcher.h) over n elements: n = min(GetSize, the other
// buffer's GetSize) for operations with a second buffer, GetSize otherwise.
// Scaled integer entries are called with scale factor 0, so their results
// saturate at the limits of the element type. Element access of all three
// checks the index ("Index out of range = %u").
// ---------------------------------------------------------------------------

// TQDThresholdType and TQDAutoCorrType are the real buffer's (above).

/// A complex number as the complex entries lay it out: real part first.
struct TXNRealComplex
{
  double Real;
  double Imaginary;
};
static_assert(sizeof(TXNRealComplex) == 16, "two doubles, no padding");

/// A vector of signed 32-bit integers.
struct IQDIntegerBuffer : virtual IQDLinearDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{51D45274-AF18-4746-BBF1-94C82F07139B}");
  using TParent = IQDLinearDataBuffer;

  /// Never copies.
  virtual const Integer* Read() = 0;
  /// Copies a shared block first without keeping its values.
  virtual Integer* Write() = 0;
  /// Copies a shared block first, keeping its values.
  virtual Integer* Modify() = 0;
  virtual Integer GetItem(Integer Index) = 0;
  /// Copies a shared block first, then checks Index and stores.
  virtual void SetItem(Integer Index, Integer Value) = 0;

  /// Self[i] op= Right[i], saturated; Divide rounds to nearest and gives the
  /// largest or smallest value (0 for 0 / 0) for a zero divisor.
  virtual void Add(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void Subtract(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void Multiply(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void Divide(const TRef<IQDIntegerBuffer>& Right) = 0;
  /// Remainder with the sign of the dividend. Raises EDivByZero at the first
  /// zero divisor; the elements before it are already changed.
  virtual void ModBuffer(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void AndBuffer(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void OrBuffer(const TRef<IQDIntegerBuffer>& Right) = 0;
  virtual void XorBuffer(const TRef<IQDIntegerBuffer>& Right) = 0;
  /// Shifts by the low five bits of Right[i] (Right[i] mod 32).
  virtual void LShift(const TRef<IQDIntegerBuffer>& Right) = 0;
  /// Logical shift: zeros enter from the top.
  virtual void RShift(const TRef<IQDIntegerBuffer>& Right) = 0;

  virtual void SetValue(Integer AValue) = 0;
  /// Nothing at all (no copy-on-write) for 0.
  virtual void AddValue(Integer AValue) = 0;
  /// Copies a shared block even for 0.
  virtual void SubtractValue(Integer AValue) = 0;
  /// Nothing for 1.
  virtual void MultiplyValue(Integer AValue) = 0;
  /// Quotient truncated toward zero; nothing for 0 or 1.
  virtual void DivideValue(Integer AValue) = 0;
  /// Remainder with the sign of the dividend; raises EDivByZero for 0.
  virtual void ModValue(Integer AValue) = 0;
  /// Nothing for -1 (all bits set).
  virtual void AndValue(Integer AValue) = 0;
  /// Nothing for 0.
  virtual void OrValue(Integer AValue) = 0;
  virtual void XorValue(Integer AValue) = 0;
  /// Nothing for 0. Shifts of more than 31 bits leave 0.
  virtual void LShiftValue(Integer AValue) = 0;
  /// Arithmetic shift (the sign fills in); nothing for 0.
  virtual void RShiftValue(Integer AValue) = 0;
  virtual void Zero() = 0;
  /// Sum of Self[i] x Right[i], saturated.
  virtual Integer Dot(const TRef<IQDIntegerBuffer>& Right) = 0;
  /// 0 for an empty buffer.
  virtual Integer GetMinValue() = 0;
  virtual Integer GetMaxValue() = 0;
};

/// A vector of complex numbers.
struct IQDComplexBuffer : virtual IQDLinearDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{FA61019A-FF10-4472-9F8C-89DC48D5C792}");
  using TParent = IQDLinearDataBuffer;

  virtual const TXNRealComplex* Read() = 0;
  virtual TXNRealComplex* Write() = 0;
  virtual TXNRealComplex* Modify() = 0;
  virtual TXNRealComplex GetItem(Integer Index) = 0;
  virtual void SetItem(Integer Index, const TXNRealComplex& Value) = 0;
  /// New real buffers of GetSize elements.
  virtual TRef<IQDRealBuffer> GetReal() = 0;
  virtual TRef<IQDRealBuffer> GetImaginary() = 0;

  /// Self[i] op= Right[i]; a zero divisor follows the entry's rule.
  virtual void Add(const TRef<IQDComplexBuffer>& Right) = 0;
  virtual void Subtract(const TRef<IQDComplexBuffer>& Right) = 0;
  virtual void Multiply(const TRef<IQDComplexBuffer>& Right) = 0;
  virtual void Divide(const TRef<IQDComplexBuffer>& Right) = 0;
  /// No neutral-value shortcut: a shared block is always copied.
  virtual void AddValue(Real AReal, Real AImag) = 0;
  virtual void SubtractValue(Real AReal, Real AImag) = 0;
  virtual void MultiplyValue(Real AReal, Real AImag) = 0;
  virtual void DivideValue(Real AReal, Real AImag) = 0;
  /// Resizes to the shorter of the two and pairs them up.
  virtual void SetBuffer(const TRef<IQDRealBuffer>& AReal, const TRef<IQDRealBuffer>& AImag) = 0;
  virtual void SetValue(Real AReal, Real AImag) = 0;
  virtual void SetValue(const TXNRealComplex& AValue) = 0;
  virtual void Zero() = 0;
  /// Self[i] = (Src[i] - Offset) / Factor over the common prefix.
  virtual void NormalizeFrom(const TRef<IQDComplexBuffer>& Src, const TXNRealComplex& Offset,
                             Real Factor) = 0;
  virtual void Normalize(const TXNRealComplex& Offset, Real Factor) = 0;
  /// Sum of Src[i] x Self[i] (no conjugation); 0 when empty.
  virtual TXNRealComplex Dot(const TRef<IQDComplexBuffer>& Src) = 0;
  /// Elements whose magnitude is above (ttGreaterThan) or below (ttLessThan)
  /// AThreshold are scaled to that magnitude, keeping their phase.
  virtual void Threshold(Real AThreshold, TQDThresholdType AType) = 0;
  virtual void ThresholdFrom(const TRef<IQDComplexBuffer>& Src, Real AThreshold,
                             TQDThresholdType AType) = 0;
  virtual void Sqr() = 0;
  virtual void Sqrt() = 0;
  virtual void SqrFrom(const TRef<IQDComplexBuffer>& Src) = 0;
  virtual void SqrtFrom(const TRef<IQDComplexBuffer>& Src) = 0;
  /// Lags 0 .. n-1 of Src's first n values, n = the common length.
  virtual void AutoCorr(const TRef<IQDComplexBuffer>& Src, TQDAutoCorrType AType) = 0;
  /// GetSize lags of Src1 against Src2 from LoLag on.
  virtual void CrossCorr(const TRef<IQDComplexBuffer>& Src1, const TRef<IQDComplexBuffer>& Src2,
                         Integer LoLag) = 0;
  /// New real buffers of GetSize elements.
  virtual TRef<IQDRealBuffer> Phase() = 0;
  virtual TRef<IQDRealBuffer> Magnitude() = 0;
  virtual TRef<IQDRealBuffer> PowerSpectrum() = 0;
};

/// A vector of bytes.
struct IQDBlockBuffer : virtual IQDLinearDataBuffer
{
  static constexpr TGUID IID = MakeGUID("{1D7F6725-9466-43E9-9B6C-164FAB691FEA}");
  using TParent = IQDLinearDataBuffer;

  virtual const Byte* Read() = 0;
  virtual Byte* Write() = 0;
  virtual Byte* Modify() = 0;
  /// Self[i] op= Right[i], saturated at 0 and 255.
  virtual void Add(const TRef<IQDBlockBuffer>& Right) = 0;
  virtual void Subtract(const TRef<IQDBlockBuffer>& Right) = 0;
  virtual void Multiply(const TRef<IQDBlockBuffer>& Right) = 0;
  /// Unsigned quotient. Raises EDivByZero at the first zero divisor; the
  /// elements before it are already changed.
  virtual void Divide(const TRef<IQDBlockBuffer>& Right) = 0;
  virtual void SetValue(Byte AValue) = 0;
  virtual void Zero() = 0;
  virtual Byte GetItem(Integer Index) = 0;
  virtual void SetItem(Integer Index, Byte Value) = 0;
};

/// A vector of signed 32-bit integers.
class TQDIntegerBuffer : public TQDLinearMemoryBuffer, public virtual IQDIntegerBuffer
{
public:
  static TRef<TQDIntegerBuffer> Create();
  /// ASize elements, contents undefined.
  static TRef<TQDIntegerBuffer> CreateSize(Cardinal ASize);
  static TRef<TQDIntegerBuffer> CreateData(const Integer* AData, Cardinal ASize);
  static TRef<TQDIntegerBuffer> CreateValue(Integer AValue, Cardinal ASize);
  /// Share the other's block and byte size (CreateUniversal for any buffer,
  /// reinterpreting its bytes). Raise EInvalidCast for what is no buffer.
  static TRef<TQDIntegerBuffer> CreateEx(TQDIntegerBuffer* Other);
  static TRef<TQDIntegerBuffer> CreateCopy(const TRef<IQDIntegerBuffer>& Other);
  static TRef<TQDIntegerBuffer> CreateUniversal(const TRef<IQDData>& Other);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;
  Cardinal GetSize() override { return FCharSize / sizeof(Integer); }
  Cardinal GetElementSize() override { return sizeof(Integer); }
  /// Counts elements when Dest is an integer buffer, bytes otherwise.
  void CopyTo(Cardinal SrcOffset, const TRef<IQDDataBuffer>& Dest, Cardinal DestOffset,
              Cardinal Count) override;

  // IQDIntegerBuffer
  const Integer* Read() override { return reinterpret_cast<const Integer*>(FDataPtr); }
  Integer* Write() override;
  Integer* Modify() override;
  Integer GetItem(Integer Index) override;
  void SetItem(Integer Index, Integer Value) override;
  void Add(const TRef<IQDIntegerBuffer>& Right) override;
  void Subtract(const TRef<IQDIntegerBuffer>& Right) override;
  void Multiply(const TRef<IQDIntegerBuffer>& Right) override;
  void Divide(const TRef<IQDIntegerBuffer>& Right) override;
  void ModBuffer(const TRef<IQDIntegerBuffer>& Right) override;
  void AndBuffer(const TRef<IQDIntegerBuffer>& Right) override;
  void OrBuffer(const TRef<IQDIntegerBuffer>& Right) override;
  void XorBuffer(const TRef<IQDIntegerBuffer>& Right) override;
  void LShift(const TRef<IQDIntegerBuffer>& Right) override;
  void RShift(const TRef<IQDIntegerBuffer>& Right) override;
  void SetValue(Integer AValue) override;
  void AddValue(Integer AValue) override;
  void SubtractValue(Integer AValue) override;
  void MultiplyValue(Integer AValue) override;
  void DivideValue(Integer AValue) override;
  void ModValue(Integer AValue) override;
  void AndValue(Integer AValue) override;
  void OrValue(Integer AValue) override;
  void XorValue(Integer AValue) override;
  void LShiftValue(Integer AValue) override;
  void RShiftValue(Integer AValue) override;
  void Zero() override;
  Integer Dot(const TRef<IQDIntegerBuffer>& Right) override;
  Integer GetMinValue() override;
  Integer GetMaxValue() override;

protected:
  TQDIntegerBuffer() = default;
  /// Right's elements and the common length; EInvalidCast for an empty Right.
  const Integer* Operand(const TRef<IQDIntegerBuffer>& Right, int& N);
};

/// A vector of complex numbers.
class TQDComplexBuffer : public TQDLinearMemoryBuffer, public virtual IQDComplexBuffer
{
public:
  static TRef<TQDComplexBuffer> Create();
  static TRef<TQDComplexBuffer> CreateSize(Cardinal Size);
  static TRef<TQDComplexBuffer> CreateData(const TXNRealComplex* Data, Cardinal Size);
  static TRef<TQDComplexBuffer> CreateValue(const TXNRealComplex& AValue, Cardinal ASize);
  static TRef<TQDComplexBuffer> CreateEx(TQDComplexBuffer* Other);
  static TRef<TQDComplexBuffer> CreateCopy(const TRef<IQDComplexBuffer>& Other);
  static TRef<TQDComplexBuffer> CreateUniversal(const TRef<IQDData>& Other);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;
  Cardinal GetSize() override { return FCharSize / sizeof(TXNRealComplex); }
  Cardinal GetElementSize() override { return sizeof(TXNRealComplex); }

  // IQDComplexBuffer
  const TXNRealComplex* Read() override { return reinterpret_cast<const TXNRealComplex*>(FDataPtr); }
  TXNRealComplex* Write() override;
  TXNRealComplex* Modify() override;
  TXNRealComplex GetItem(Integer Index) override;
  void SetItem(Integer Index, const TXNRealComplex& Value) override;
  TRef<IQDRealBuffer> GetReal() override;
  TRef<IQDRealBuffer> GetImaginary() override;
  void Add(const TRef<IQDComplexBuffer>& Right) override;
  void Subtract(const TRef<IQDComplexBuffer>& Right) override;
  void Multiply(const TRef<IQDComplexBuffer>& Right) override;
  void Divide(const TRef<IQDComplexBuffer>& Right) override;
  void AddValue(Real AReal, Real AImag) override;
  void SubtractValue(Real AReal, Real AImag) override;
  void MultiplyValue(Real AReal, Real AImag) override;
  void DivideValue(Real AReal, Real AImag) override;
  void SetBuffer(const TRef<IQDRealBuffer>& AReal, const TRef<IQDRealBuffer>& AImag) override;
  void SetValue(Real AReal, Real AImag) override;
  void SetValue(const TXNRealComplex& AValue) override;
  void Zero() override;
  void NormalizeFrom(const TRef<IQDComplexBuffer>& Src, const TXNRealComplex& Offset,
                     Real Factor) override;
  void Normalize(const TXNRealComplex& Offset, Real Factor) override;
  TXNRealComplex Dot(const TRef<IQDComplexBuffer>& Src) override;
  void Threshold(Real AThreshold, TQDThresholdType AType) override;
  void ThresholdFrom(const TRef<IQDComplexBuffer>& Src, Real AThreshold,
                     TQDThresholdType AType) override;
  void Sqr() override;
  void Sqrt() override;
  void SqrFrom(const TRef<IQDComplexBuffer>& Src) override;
  void SqrtFrom(const TRef<IQDComplexBuffer>& Src) override;
  void AutoCorr(const TRef<IQDComplexBuffer>& Src, TQDAutoCorrType AType) override;
  void CrossCorr(const TRef<IQDComplexBuffer>& Src1, const TRef<IQDComplexBuffer>& Src2,
                 Integer LoLag) override;
  TRef<IQDRealBuffer> Phase() override;
  TRef<IQDRealBuffer> Magnitude() override;
  TRef<IQDRealBuffer> PowerSpectrum() override;

protected:
  TQDComplexBuffer() = default;
  /// Src's elements and the common length; EInvalidCast for an empty Src.
  const TXNRealComplex* Operand(const TRef<IQDComplexBuffer>& Src, int& N);
};

/// A vector of bytes.
class TQDBlockBuffer : public TQDLinearMemoryBuffer, public virtual IQDBlockBuffer
{
public:
  static TRef<TQDBlockBuffer> Create();
  static TRef<TQDBlockBuffer> CreateSize(Cardinal Size);
  static TRef<TQDBlockBuffer> CreateData(const void* Data, Cardinal Size);
  static TRef<TQDBlockBuffer> CreateEx(TQDBlockBuffer* Other);
  static TRef<TQDBlockBuffer> CreateCopy(const TRef<IQDBlockBuffer>& Other);
  static TRef<TQDBlockBuffer> CreateUniversal(const TRef<IQDData>& Other);

  std::int32_t QueryInterface(const TGUID& AIID, void** AObj) noexcept override;
  TRef<IQDData> MakeCopy() override;
  Boolean IsEqual(const TRef<IQDDataBuffer>& Other) override;

  // IQDBlockBuffer
  const Byte* Read() override { return FDataPtr; }
  Byte* Write() override { return ByteWrite(); }
  Byte* Modify() override { return ByteModify(); }
  void Add(const TRef<IQDBlockBuffer>& Right) override;
  void Subtract(const TRef<IQDBlockBuffer>& Right) override;
  void Multiply(const TRef<IQDBlockBuffer>& Right) override;
  void Divide(const TRef<IQDBlockBuffer>& Right) override;
  void SetValue(Byte AValue) override;
  void Zero() override;
  Byte GetItem(Integer Index) override;
  void SetItem(Integer Index, Byte Value) override;

protected:
  TQDBlockBuffer() = default;
  const Byte* Operand(const TRef<IQDBlockBuffer>& Right, int& N);
};
