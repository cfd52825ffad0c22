#include "tools/ZROutputFile.h"

#include "platform/Exceptions.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>

namespace {

/// A file output writes out whenever it holds this much.
constexpr std::size_t FileBlockSize = std::size_t(1) << 20;

// The temporary file the signal handler removes. Written only while the
// signals are blocked, so the handler never sees half a path.
char GTemporary[PATH_MAX + 1];
volatile sig_atomic_t GHaveTemporary = 0;
constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemoveTemporaryOnSignal(int ASignal)
{
  if (GHaveTemporary)
    ::unlink(GTemporary);
  ::signal(ASignal, SIG_DFL);
  ::raise(ASignal);
}

class TSignalBlock
{
public:
  TSignalBlock()
  {
    sigset_t Set;
    sigemptyset(&Set);
    for (int S : CleanupSignals)
      sigaddset(&Set, S);
    sigprocmask(SIG_BLOCK, &Set, &FOld);
  }
  ~TSignalBlock() { sigprocmask(SIG_SETMASK, &FOld, nullptr); }

private:
  sigset_t FOld;
};

void WatchTemporary(const std::string& APath)
{
  TSignalBlock Block;
  if (APath.size() < sizeof GTemporary) {
    std::memcpy(GTemporary, APath.c_str(), APath.size() + 1);
    GHaveTemporary = 1;
  }
  static bool Installed = false;
  if (Installed)
    return;
  Installed = true;
  for (int S : CleanupSignals) {
    struct sigaction Old{};
    sigaction(S, nullptr, &Old);
    if (Old.sa_handler == SIG_IGN)
      continue; // ignored on purpose by whoever started us
    struct sigaction New{};
    New.sa_handler = RemoveTemporaryOnSignal;
    sigemptyset(&New.sa_mask);
    sigaction(S, &New, nullptr);
  }
}

void ForgetTemporary() noexcept
{
  TSignalBlock Block;
  GHaveTemporary = 0;
}

std::string Reason(int AErrno)
{
  return std::generic_category().message(AErrno);
}

/// write() until every byte is out; errno on failure, 0 on success.
int WriteAll(int AFd, const char* AData, std::size_t ASize) noexcept
{
  while (ASize > 0) {
    const ssize_t N = ::write(AFd, AData, ASize);
    if (N < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    AData += N;
    ASize -= static_cast<std::size_t>(N);
  }
  return 0;
}

} // namespace

TZROutputFile::TZROutputFile(const std::string& APath)
{
  if (APath.empty() || APath == "-") {
    FFd = STDOUT_FILENO;
    FBuffer.resize(FileBlockSize);
    return;
  }
  FPath = APath;
  const std::size_t Slash = APath.rfind('/');
  const std::string Folder = Slash == std::string::npos ? std::string() : APath.substr(0, Slash + 1);
  const std::string Base = Slash == std::string::npos ? APath : APath.substr(Slash + 1);
  if (Base.empty())
    throw EFCreateError(APath + ": cannot create: " + Reason(EISDIR));
  std::string Temporary = Folder + "." + Base + ".XXXXXX";
  {
    TSignalBlock Block; // the handler must know the file as soon as it exists
    FFd = ::mkostemp(Temporary.data(), O_CLOEXEC);
    if (FFd < 0)
      throw EFCreateError(APath + ": cannot create: " + Reason(errno));
    FTemporary = Temporary;
    WatchTemporary(FTemporary);
  }
  // mkstemp makes the file private; the result gets what a plain create gives.
  const mode_t Mask = ::umask(0);
  ::umask(Mask);
  ::fchmod(FFd, 0666 & ~Mask);
  FBuffer.resize(FileBlockSize + FileBlockSize / 4);
}

TZROutputFile::~TZROutputFile()
{
  if (!FCommitted)
    RemoveTemporary();
}

void TZROutputFile::RemoveTemporary() noexcept
{
  if (FTemporary.empty())
    return;
  if (FFd >= 0)
    ::close(FFd);
  ::unlink(FTemporary.c_str());
  ForgetTemporary();
  FTemporary.clear();
  FFd = -1;
}

void TZROutputFile::FailWrite(int AErrno)
{
  RemoveTemporary();
  throw EWriteError((FPath.empty() ? std::string("standard output") : FPath) + ": cannot write: " +
                    Reason(AErrno));
}

void TZROutputFile::WriteHeld()
{
  if (const int E = WriteAll(FFd, FBuffer.data(), FUsed))
    FailWrite(E);
  FUsed = 0;
}

void TZROutputFile::MakeRoom(std::size_t AMax)
{
  if (!FPath.empty() && FUsed > 0) {
    WriteHeld();
    if (FBuffer.size() >= AMax)
      return;
  }
  std::size_t Size = FBuffer.size();
  while (Size - FUsed < AMax)
    Size *= 2;
  FBuffer.resize(Size);
}

void TZROutputFile::Commit()
{
  if (FPath.empty()) {
    if (const int E = WriteAll(FFd, FBuffer.data(), FUsed))
      FailWrite(E);
    FUsed = 0;
    FCommitted = true;
    return;
  }
  WriteHeld();
  // Synced before the rename: after a crash the destination holds the old
  // text or the whole new one.
  int E = ::fsync(FFd) == 0 ? 0 : errno;
  if (::close(FFd) != 0 && E == 0)
    E = errno;
  FFd = -1;
  if (E == 0 && ::rename(FTemporary.c_str(), FPath.c_str()) != 0)
    E = errno;
  if (E == 0) {
    ForgetTemporary();
    FTemporary.clear();
    FCommitted = true;
    return;
  }
  ::unlink(FTemporary.c_str());
  ForgetTemporary();
  FTemporary.clear();
  throw EWriteError(FPath + ": cannot write: " + Reason(E));
}
