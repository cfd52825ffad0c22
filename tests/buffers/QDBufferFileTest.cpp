#include "buffers/QDSimpleDataBuffer.h"
#include "BufferFixtures.h"

#include "platform/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<Byte>;

TBytes ReadFile(const fs::path& APath)
{
  std::ifstream In(APath, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& APath, const TBytes& ABytes)
{
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out.write(reinterpret_cast<const char*>(ABytes.data()), std::streamsize(ABytes.size()));
}

TBytes Counting(std::size_t ASize, Byte AFirst = 1)
{
  TBytes R(ASize);
  for (std::size_t I = 0; I < ASize; ++I)
    R[I] = Byte(AFirst + I);
  return R;
}

TBytes BytesOf(IQDDataBuffer& A)
{
  return TBytes(A.ByteRead(), A.ByteRead() + A.GetByteSize());
}

std::vector<Real> Values(const TRef<IQDRealBuffer>& A)
{
  return std::vector<Real>(A->Read(), A->Read() + A->GetSize());
}

/// A folder of its own for every test, removed afterwards.
class BufferFile : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string Template = (fs::temp_directory_path() / "qdfile.XXXXXX").string();
    ASSERT_NE(::mkdtemp(Template.data()), nullptr) << std::strerror(errno);
    FDir = Template;
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string Path(const char* AName) const { return (FDir / AName).string(); }
  std::vector<std::string> Entries() const
  {
    std::vector<std::string> R;
    for (const fs::directory_entry& E : fs::directory_iterator(FDir))
      R.push_back(E.path().filename().string());
    std::sort(R.begin(), R.end());
    return R;
  }

  fs::path FDir;
};

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

TEST_F(BufferFile, RealBufferSavesItsDoublesAndNothingElse)
{
  Real Values2[2] = {1.0, -2.5};
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateData(Values2, 2);
  A->SaveToFile(Path("a.bin"));
  EXPECT_EQ(ReadFile(Path("a.bin")),
            (TBytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0x04, 0xC0}));
}

TEST_F(BufferFile, MatrixSavesItsValuesInStorageOrderWithoutTheShape)
{
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(150, 2);
  for (Integer R = 0; R < 150; ++R)
    for (Integer C = 0; C < 2; ++C)
      M->SetItem(R, C, R * 10 + C);
  M->SaveToFile(Path("m.bin"));
  EXPECT_EQ(fs::file_size(Path("m.bin")), 2400u);

  TRef<TQDRealMatrixBuffer> T = TQDRealMatrixBuffer::CreateSize(2, 150);
  T->LoadFromFile(Path("m.bin"));
  EXPECT_EQ(T->GetRows(), 2);
  EXPECT_EQ(T->GetCols(), 150);
  EXPECT_EQ(std::memcmp(T->Read(), M->Read(), 2400), 0);
  EXPECT_EQ(T->GetItem(1, 0), 750.0) << "element 150 of storage order is row 75, column 0";
}

TEST_F(BufferFile, EmptyBufferSavesAnEmptyFileAndLoadsFromAnyFile)
{
  TRef<TQDRealBuffer> Empty = TQDRealBuffer::Create();
  WriteFile(Path("e.bin"), Counting(24));
  Empty->SaveToFile(Path("e.bin"));
  EXPECT_TRUE(fs::exists(Path("e.bin")));
  EXPECT_EQ(fs::file_size(Path("e.bin")), 0u) << "an existing file is replaced";
  WriteFile(Path("any.bin"), Counting(24));
  EXPECT_NO_THROW(Empty->LoadFromFile(Path("any.bin")));
  EXPECT_NO_THROW(Empty->LoadFromFile(Path("e.bin")));
  EXPECT_THROW(Empty->LoadFromFile(Path("missing.bin")), EFOpenError) << "the file is still opened";
}

TEST_F(BufferFile, LoadReadsTheFirstBytesOfALongerFile)
{
  WriteFile(Path("24.bin"), Counting(24));
  TRef<TQDRealBuffer> Two = TQDRealBuffer::CreateSize(2);
  Two->LoadFromFile(Path("24.bin"));
  EXPECT_EQ(Two->GetSize(), 2u);
  EXPECT_EQ(BytesOf(*Two), Counting(16));
}

TEST_F(BufferFile, ShortFileIsAReadErrorAndLeavesTheBufferAsItWas)
{
  WriteFile(Path("24.bin"), Counting(24));
  Real Before[4] = {1, 2, 3, 4};
  TRef<TQDRealBuffer> Four = TQDRealBuffer::CreateData(Before, 4);
  TQDSmartBuffer* Block = BlockOf(Four);
  ExpectError<EReadError>([&] { Four->LoadFromFile(Path("24.bin")); }, "Stream read error");
  EXPECT_THAT(Values(Four), ::testing::ElementsAre(1, 2, 3, 4));
  EXPECT_EQ(BlockOf(Four), Block);

  // Nor is a shared block given up for a load that fails.
  TRef<TQDRealBuffer> Shared = TQDRealBuffer::CreateCopy(Four);
  ExpectError<EReadError>([&] { Shared->LoadFromFile(Path("24.bin")); }, "Stream read error");
  EXPECT_EQ(BlockOf(Shared), Block);

  // A file that is no regular file and ends at once.
  ExpectError<EReadError>([&] { Four->LoadFromFile("/dev/null"); }, "Stream read error");
  EXPECT_THAT(Values(Four), ::testing::ElementsAre(1, 2, 3, 4));
}

TEST_F(BufferFile, LoadIntoASharedBufferGivesItABlockOfItsOwn)
{
  WriteFile(Path("16.bin"), Counting(16));
  Real Before[2] = {1, 2};
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateData(Before, 2);
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  B->LoadFromFile(Path("16.bin"));
  EXPECT_NE(BlockOf(A), BlockOf(B));
  EXPECT_EQ(BytesOf(*B), Counting(16));
  EXPECT_THAT(Values(A), ::testing::ElementsAre(1, 2));
}

TEST_F(BufferFile, SaveMakesNoCopyOfASharedBlock)
{
  Real Before[2] = {1, 2};
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateData(Before, 2);
  TRef<TQDRealBuffer> B = TQDRealBuffer::CreateCopy(A);
  B->SaveToFile(Path("b.bin"));
  EXPECT_EQ(BlockOf(A), BlockOf(B));
}

// ---------------------------------------------------------------------------
// Every buffer class round-trips
// ---------------------------------------------------------------------------

struct TKindCase
{
  const char* Name;
  /// A buffer of the kind holding ABytes (whose size suits the kind).
  std::function<TRef<IQDDataBuffer>(const TBytes& ABytes)> Make;
  std::size_t ByteSize;
};

template <class T>
TRef<IQDDataBuffer> Filled(TRef<T> ABuffer, const TBytes& ABytes)
{
  std::memcpy(ABuffer->ByteWrite(), ABytes.data(), ABytes.size());
  return ABuffer;
}

class BufferFileKinds : public BufferFile, public ::testing::WithParamInterface<TKindCase> {};

TEST_P(BufferFileKinds, RoundTrip)
{
  const TKindCase& P = GetParam();
  TRef<IQDDataBuffer> A = P.Make(Counting(P.ByteSize, 1));
  TRef<IQDDataBuffer> B = P.Make(Counting(P.ByteSize, 100));
  A->SaveToFile(Path("k.bin"));
  EXPECT_EQ(ReadFile(Path("k.bin")), Counting(P.ByteSize, 1)) << "the data as it lies in memory";
  B->LoadFromFile(Path("k.bin"));
  EXPECT_TRUE(B->IsEqual(A));
  EXPECT_EQ(B->GetByteSize(), P.ByteSize);
  EXPECT_EQ(Entries(), std::vector<std::string>{"k.bin"}) << "no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, BufferFileKinds,
    ::testing::Values(
        TKindCase{"Real", [](const TBytes& B) { return Filled(TQDRealBuffer::CreateSize(3), B); }, 24},
        TKindCase{"RealMatrix", [](const TBytes& B) { return Filled(TQDRealMatrixBuffer::CreateSize(3, 2), B); }, 48},
        TKindCase{"Integer", [](const TBytes& B) { return Filled(TQDIntegerBuffer::CreateSize(5), B); }, 20},
        TKindCase{"Complex", [](const TBytes& B) { return Filled(TQDComplexBuffer::CreateSize(2), B); }, 32},
        TKindCase{"Block", [](const TBytes& B) { return Filled(TQDBlockBuffer::CreateSize(7), B); }, 7},
        TKindCase{"Memory", [](const TBytes& B) { return Filled(TQDMemoryBuffer::CreateSize(9), B); }, 9},
        TKindCase{"Generic",
                  [](const TBytes& B) {
                    TRef<IQDDataBuffer> Own = Filled(TQDMemoryBuffer::CreateSize(Cardinal(B.size())), B);
                    return TRef<IQDDataBuffer>(TQDGenericBuffer::CreateUniversal(Own));
                  },
                  11}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// ---------------------------------------------------------------------------
// Errors
// ---------------------------------------------------------------------------

TEST_F(BufferFile, FileThatCannotBeCreatedOrOpened)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(2);
  const std::string NoFolder = Path("missing/a.bin");
  ExpectError<EFCreateError>([&] { A->SaveToFile(NoFolder); },
                             "Cannot create file \"" + NoFolder + "\". No such file or directory");
  ExpectError<EFOpenError>([&] { A->LoadFromFile(NoFolder); },
                           "Cannot open file \"" + NoFolder + "\". No such file or directory");
  // A folder is neither created over nor read (whoever runs the test).
  const std::string Folder = FDir.string();
  ExpectError<EFCreateError>([&] { A->SaveToFile(Folder); },
                             "Cannot create file \"" + Folder + "\". Is a directory");
  ExpectError<EFOpenError>([&] { A->LoadFromFile(Folder); },
                           "Cannot open file \"" + Folder + "\". Is a directory");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(BufferFile, FullDeviceIsAWriteError)
{
  TRef<TQDRealBuffer> A = TQDRealBuffer::CreateSize(2);
  ExpectError<EWriteError>([&] { A->SaveToFile("/dev/full"); }, "Stream write error");
}

/// Lets a process write files of at most ALimit bytes for the fixture's life:
/// a write beyond fails with EFBIG instead of raising SIGXFSZ.
class TFileSizeLimit
{
public:
  explicit TFileSizeLimit(rlim_t ALimit)
  {
    FSignal = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    rlimit Limit = FSaved;
    Limit.rlim_cur = ALimit;
    ::setrlimit(RLIMIT_FSIZE, &Limit);
  }
  ~TFileSizeLimit()
  {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FSignal);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
  rlimit FSaved{};
  void (*FSignal)(int) = SIG_DFL;
};

TEST_F(BufferFile, SaveThatFailsMidwayKeepsTheOldFileAndLeavesNoTemporary)
{
  WriteFile(Path("old.bin"), Counting(16));
  TRef<TQDRealMatrixBuffer> M = TQDRealMatrixBuffer::CreateSize(150, 2);
  std::memset(M->Write(), 0x55, 2400);
  {
    TFileSizeLimit Limit(1000); // the first 1000 bytes go out, then the disk is "full"
    ExpectError<EWriteError>([&] { M->SaveToFile(Path("old.bin")); }, "Stream write error");
  }
  EXPECT_EQ(ReadFile(Path("old.bin")), Counting(16));
  EXPECT_EQ(Entries(), std::vector<std::string>{"old.bin"});

  M->SaveToFile(Path("old.bin"));
  EXPECT_EQ(fs::file_size(Path("old.bin")), 2400u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"old.bin"});
}

TEST_F(BufferFile, ReplacedFileKeepsItsPermissionsAndItsLink)
{
  WriteFile(Path("data.bin"), Counting(3));
  ASSERT_EQ(::chmod(Path("data.bin").c_str(), 0640), 0);
  fs::create_symlink("data.bin", Path("link.bin"));
  TRef<TQDBlockBuffer> A = TQDBlockBuffer::CreateData("xyz!", 4);
  A->SaveToFile(Path("link.bin"));
  EXPECT_TRUE(fs::is_symlink(Path("link.bin")));
  EXPECT_EQ(ReadFile(Path("data.bin")), (TBytes{'x', 'y', 'z', '!'}));
  struct stat Info;
  ASSERT_EQ(::stat(Path("data.bin").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"data.bin", "link.bin"}));
}

TEST_F(BufferFile, DanglingLinkCreatesTheFileItNames)
{
  fs::create_symlink("target.bin", Path("link.bin"));
  TRef<TQDBlockBuffer> A = TQDBlockBuffer::CreateData("ab", 2);
  A->SaveToFile(Path("link.bin"));
  EXPECT_TRUE(fs::is_symlink(Path("link.bin")));
  EXPECT_EQ(ReadFile(Path("target.bin")), (TBytes{'a', 'b'}));
}

TEST_F(BufferFile, NameWithoutAFolderIsInTheWorkingFolder)
{
  const fs::path Before = fs::current_path();
  fs::current_path(FDir);
  TRef<TQDBlockBuffer> A = TQDBlockBuffer::CreateData("ab", 2);
  TRef<TQDBlockBuffer> B = TQDBlockBuffer::CreateSize(2);
  A->SaveToFile("plain.bin");
  B->LoadFromFile("plain.bin");
  fs::current_path(Before);
  EXPECT_TRUE(B->IsEqual(A));
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain.bin"});
}

} // namespace
