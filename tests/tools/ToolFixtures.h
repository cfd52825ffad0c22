// Shared by the tool tests: a private temporary folder per test, and a runner
// that starts a program in it with given arguments and standard input and
// collects its exit status, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace ToolFixtures {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& APath)
{
  std::ifstream In(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& APath, const std::string& AText)
{
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out << AText;
}

struct TRunResult
{
  int Status = -1;    // exit status; -1 when the program did not exit normally
  int Signal = 0;     // the signal that ended it, if one did
  std::string Out;    // standard output
  std::string Err;    // standard error
};

/// Options of one run.
struct TRunOptions
{
  std::string Stdin = "";          // what the program reads on standard input
  bool WithoutLibraryPath = false; // drop LD_LIBRARY_PATH from the environment
};

/// A temporary folder, removed with everything in it at the end of the test.
class TTempFolder
{
public:
  TTempFolder()
  {
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base && *Base ? Base : "/tmp") + "/zrtool.XXXXXX";
    if (!mkdtemp(Pattern.data()))
      ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    FPath = Pattern;
  }
  ~TTempFolder()
  {
    std::error_code E;
    fs::remove_all(FPath, E);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const fs::path& Path() const { return FPath; }
  fs::path operator/(const std::string& AName) const { return FPath / AName; }

  /// The names in the folder (hidden ones too).
  std::set<std::string> Entries() const
  {
    std::set<std::string> Names;
    for (const fs::directory_entry& E : fs::directory_iterator(FPath))
      Names.insert(E.path().filename().string());
    return Names;
  }

private:
  fs::path FPath;
};

/// Starts AProgram with AArgs in folder ADir and waits for it.
inline TRunResult RunProgram(const std::string& AProgram, const std::vector<std::string>& AArgs, const fs::path& ADir,
                      const TRunOptions& AOptions = {})
{
  TRunResult R;
  // Standard streams go through files in a folder of their own, so the
  // program's folder holds only what the test and the program put there.
  TTempFolder Streams;
  const std::string In = (Streams / "stdin").string(), Out = (Streams / "stdout").string(),
                    Err = (Streams / "stderr").string();
  WriteFile(In, AOptions.Stdin);

  std::vector<std::string> Argv{AProgram};
  Argv.insert(Argv.end(), AArgs.begin(), AArgs.end());
  std::vector<char*> ArgPtrs;
  for (std::string& A : Argv)
    ArgPtrs.push_back(A.data());
  ArgPtrs.push_back(nullptr);
  std::vector<std::string> Env;
  for (char** E = environ; *E; ++E)
    if (!(AOptions.WithoutLibraryPath && std::strncmp(*E, "LD_LIBRARY_PATH=", 16) == 0))
      Env.emplace_back(*E);
  std::vector<char*> EnvPtrs;
  for (std::string& E : Env)
    EnvPtrs.push_back(E.data());
  EnvPtrs.push_back(nullptr);

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 0, In.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 1, Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&Actions, 2, Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&Actions, ADir.c_str());
  pid_t Pid = 0;
  const int E = posix_spawn(&Pid, AProgram.c_str(), &Actions, nullptr, ArgPtrs.data(), EnvPtrs.data());
  posix_spawn_file_actions_destroy(&Actions);
  if (E != 0) {
    ADD_FAILURE() << "cannot start " << AProgram << ": " << std::strerror(E);
    return R;
  }
  int Status = 0;
  while (waitpid(Pid, &Status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(Status))
    R.Status = WEXITSTATUS(Status);
  if (WIFSIGNALED(Status))
    R.Signal = WTERMSIG(Status);
  R.Out = ReadFile(Out);
  R.Err = ReadFile(Err);
  return R;
}

/// The lines of AText (the last one needs no line end).
inline std::vector<std::string> Lines(const std::string& AText)
{
  std::vector<std::string> L;
  std::istringstream In(AText);
  for (std::string Line; std::getline(In, Line);)
    L.push_back(Line);
  return L;
}

/// AText split at commas.
inline std::vector<std::string> Fields(const std::string& AText)
{
  std::vector<std::string> F;
  std::size_t Start = 0;
  for (;;) {
    const std::size_t Comma = AText.find(',', Start);
    F.push_back(AText.substr(Start, Comma == std::string::npos ? std::string::npos : Comma - Start));
    if (Comma == std::string::npos)
      return F;
    Start = Comma + 1;
  }
}

} // namespace ToolFixtures
