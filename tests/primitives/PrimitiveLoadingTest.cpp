// Loading the optional libraries, start-up order and shutdown, each in a
// fresh child process (the probe): the table is process-wide, and the library
// search path is read when a process starts. Stand-in libraries built in the
// test tree sit in folders of their own; the child finds them through
// LD_LIBRARY_PATH.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// What the probe printed: the reports in order (entry "group name" -> source)
// and the rest of every other line by its first two words, in order.
struct TProbeResult
{
  int ExitCode = -1;
  std::vector<std::map<std::string, std::string>> Reports;
  std::map<std::string, std::vector<std::string>> Lines;
  std::string Output;

  const std::map<std::string, std::string>& Last() const { return Reports.back(); }
  /// The last line that started with AKey.
  std::string Line(const std::string& AKey) const
  {
    const auto It = Lines.find(AKey);
    return It == Lines.end() ? "(none)" : It->second.back();
  }
};

// Runs the probe with the given library folders (under the stand-ins' folder)
// as its whole search path.
TProbeResult RunProbe(const std::vector<std::string>& AFolders, const std::vector<std::string>& AActions)
{
  std::string Path;
  for (const std::string& F : AFolders)
    Path += (Path.empty() ? "" : ":") + std::string(ZR_FAKE_IPP_DIR) + "/" + F;
  if (Path.empty())
    Path = std::string(ZR_FAKE_IPP_DIR) + "/none"; // a folder that does not exist
  std::vector<std::string> Env;
  for (char** E = environ; *E; ++E)
    if (std::strncmp(*E, "LD_LIBRARY_PATH=", 16) != 0)
      Env.emplace_back(*E);
  Env.push_back("LD_LIBRARY_PATH=" + Path);
  std::vector<std::string> Args = {ZR_PRIMITIVES_PROBE};
  Args.insert(Args.end(), AActions.begin(), AActions.end());
  std::vector<char*> Argv, Envp;
  for (std::string& A : Args)
    Argv.push_back(A.data());
  Argv.push_back(nullptr);
  for (std::string& E : Env)
    Envp.push_back(E.data());
  Envp.push_back(nullptr);

  TProbeResult R;
  int Pipe[2];
  if (pipe(Pipe) != 0)
    return R;
  posix_spawn_file_actions_t Files;
  posix_spawn_file_actions_init(&Files);
  posix_spawn_file_actions_adddup2(&Files, Pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&Files, Pipe[0]);
  pid_t Child = -1;
  const int Spawned = posix_spawn(&Child, Argv[0], &Files, nullptr, Argv.data(), Envp.data());
  posix_spawn_file_actions_destroy(&Files);
  close(Pipe[1]);
  if (Spawned == 0) {
    char Buffer[4096];
    ssize_t N;
    while ((N = read(Pipe[0], Buffer, sizeof Buffer)) > 0)
      R.Output.append(Buffer, std::size_t(N));
    int Status = 0;
    waitpid(Child, &Status, 0);
    R.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  close(Pipe[0]);

  std::istringstream In(R.Output);
  std::string Line;
  while (std::getline(In, Line)) {
    std::istringstream Words(Line);
    std::string Kind, A, Rest;
    Words >> Kind >> A;
    std::getline(Words >> std::ws, Rest);
    if (Kind == "report") {
      R.Reports.emplace_back();
    } else if (Kind == "entry" && !R.Reports.empty()) {
      std::istringstream Entry(Rest);
      std::string Name, Source;
      Entry >> Name >> Source;
      R.Reports.back()[A + " " + Name] = Source;
    } else {
      R.Lines[Kind + " " + A].push_back(Rest);
    }
  }
  return R;
}

// Every entry whose source is ASource.
std::set<std::string> EntriesFrom(const std::map<std::string, std::string>& AReport, const std::string& ASource)
{
  std::set<std::string> S;
  for (const auto& [Entry, Source] : AReport)
    if (Source == ASource)
      S.insert(Entry);
  return S;
}

// The probe's full report without any library: the entries without a
// built-in are null, every other one holds its built-in.
void ExpectOnlyBuiltInsBesides(const std::map<std::string, std::string>& AReport,
                               const std::set<std::string>& AFromLibraries)
{
  for (const auto& [Entry, Source] : AReport) {
    if (AFromLibraries.count(Entry))
      continue;
    EXPECT_TRUE(Source == "builtin" || Source == "null") << Entry << " holds " << Source;
  }
}

constexpr std::size_t EntryCount = 1 + 3 + 9 + 174 + 1;

TEST(PrimitiveLoading, WithoutLibrariesEveryEntryHoldsItsBuiltIn)
{
  const TProbeResult R = RunProbe({}, {"start-store", "report", "cpu", "loaded"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  ASSERT_EQ(R.Reports.size(), 1u);
  EXPECT_EQ(R.Last().size(), EntryCount);
  ExpectOnlyBuiltInsBesides(R.Last(), {});
  EXPECT_EQ(R.Last().at("scope ippsSVD_64f_D2L"), "null");
  EXPECT_EQ(R.Last().at("core ippGetCpuType"), "builtin");
  EXPECT_EQ(R.Line("cpu ippGetCpuType"), "0") << "without the core library";
  EXPECT_EQ(R.Line("loaded signal"), "0");
}

TEST(PrimitiveLoading, SignalLibraryReplacesExactlyTheEntriesItExports)
{
  const TProbeResult R = RunProbe({"signal"}, {"start-store", "report", "call-add", "cpu"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  // ippiCopy_8u_C4R and ippGetCpuType are exported too, but are not the
  // signal library's to serve.
  const std::set<std::string> Replaced = {"scope ippsAdd_64f_I", "scope ippsMulC_64f_I", "scope ippsConvert_64f32f",
                                          "basic ippsConvert_64f32f", "norm ippsNorm_L2_64fc64f"};
  EXPECT_EQ(EntriesFrom(R.Last(), "signal"), Replaced);
  ExpectOnlyBuiltInsBesides(R.Last(), Replaced);
  // Missing names keep their built-ins, also next to replaced ones.
  EXPECT_EQ(R.Last().at("scope ippsSub_64f_I"), "builtin");
  EXPECT_EQ(R.Last().at("scope ippsMulC_64f"), "builtin");
  EXPECT_EQ(R.Line("call ippsAdd_64f_I"), "1001 -1 2") << "the library's function runs";
  EXPECT_EQ(R.Last().at("core ippGetCpuType"), "builtin");
  EXPECT_EQ(R.Line("cpu ippGetCpuType"), "0") << "the core entry comes only from the core library";
}

TEST(PrimitiveLoading, CoreLibraryServesTheProcessorType)
{
  const TProbeResult R = RunProbe({"signal", "core"}, {"start-signal-loader", "report", "cpu"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(R.Last().at("core ippGetCpuType"), "core");
  EXPECT_EQ(R.Line("cpu ippGetCpuType"), "66");
}

TEST(PrimitiveLoading, OnlyTheColourConversionLibraryServesImageEntries)
{
  const TProbeResult R = RunProbe({"cc"}, {"start-store", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  const std::set<std::string> Replaced = {"scope ippiCopy_8u_C4R", "scope ippiSet_8u_C4R", "basic ippiSet_8u_C4R"};
  EXPECT_EQ(EntriesFrom(R.Last(), "cc"), Replaced);
  ExpectOnlyBuiltInsBesides(R.Last(), Replaced);
  EXPECT_EQ(R.Last().at("scope ippsAdd_64f_I"), "builtin") << "a signal name is not looked up in image libraries";
}

TEST(PrimitiveLoading, TheImageLibraryComesBeforeTheColourConversionLibrary)
{
  const TProbeResult R = RunProbe({"image", "cc"}, {"start-store", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(EntriesFrom(R.Last(), "image"),
            (std::set<std::string>{"scope ippiCopy_8u_C4R", "resize ippiResize_8u_C1R"}));
  EXPECT_EQ(EntriesFrom(R.Last(), "cc"), (std::set<std::string>{"scope ippiSet_8u_C4R", "basic ippiSet_8u_C4R"}));
}

TEST(StartUp, EntriesHoldTrampolinesUntilTheirGroupIsFilled)
{
  // Nothing has run before main: constant initialisation alone set the entries.
  const TProbeResult R = RunProbe({"signal"}, {"report", "start-basic", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  ASSERT_EQ(R.Reports.size(), 2u);
  EXPECT_EQ(R.Reports[0].size(), EntryCount);
  EXPECT_EQ(EntriesFrom(R.Reports[0], "trampoline").size(), EntryCount);
  // Filling the nine-entry group fills none of the main group's entries of the same names.
  for (const auto& [Entry, Source] : R.Reports[1]) {
    if (Entry.rfind("basic ", 0) == 0) {
      EXPECT_NE(Source, "trampoline") << Entry;
    } else if (Entry.rfind("scope ", 0) == 0) {
      EXPECT_EQ(Source, "trampoline") << Entry;
    }
  }
  EXPECT_EQ(R.Reports[1].at("basic ippsConvert_64f32f"), "signal");
  EXPECT_EQ(R.Reports[1].at("basic ippsConvert_64f32s_Sfs"), "builtin");
}

TEST(StartUp, TheGroupsOwnBuiltInsAreSeparateFunctions)
{
  const TProbeResult R = RunProbe({}, {"start-basic", "start-scope", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  // Both hold "builtin", each compared with its own group's built-in.
  for (const char* Name : {"ippiSet_8u_C4R", "ippsConvert_64f32f", "ippsConvert_64f32s_Sfs"}) {
    EXPECT_EQ(R.Last().at(std::string("basic ") + Name), "builtin") << Name;
    EXPECT_EQ(R.Last().at(std::string("scope ") + Name), "builtin") << Name;
  }
}

TEST(StartUp, ADirectCallBeforeAnyStartFillsItsGroupAndRuns)
{
  const TProbeResult R = RunProbe({}, {"call-add", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(R.Line("call ippsAdd_64f_I"), "0 11 22");
  EXPECT_EQ(EntriesFrom(R.Last(), "trampoline").count("scope ippsAdd_64f_I"), 0u);
  for (const auto& [Entry, Source] : R.Last()) {
    if (Entry.rfind("scope ", 0) == 0) {
      EXPECT_NE(Source, "trampoline") << Entry;
    }
  }
}

TEST(StartUp, TheStoragePoolFillsEveryGroupAndTheNormGroupLast)
{
  const TProbeResult R = RunProbe({"signal"}, {"start-store", "report"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_TRUE(EntriesFrom(R.Last(), "trampoline").empty());
  EXPECT_EQ(R.Last().at("norm ippsNorm_L2_64fc64f"), "signal");
}

TEST(Shutdown, TheBalancingStopResetsEntriesAndReleasesTheLibraries)
{
  const TProbeResult R = RunProbe(
      {"signal", "image", "cc", "core"},
      {"start-scope", "start-scope", "stop-scope", "report", "loaded", "stop-scope", "report", "loaded"});
  ASSERT_EQ(R.ExitCode, 0) << R.Output;
  ASSERT_EQ(R.Reports.size(), 2u);
  // One start is still open after the first stop.
  EXPECT_EQ(R.Reports[0].at("scope ippsAdd_64f_I"), "signal");
  EXPECT_EQ(R.Reports[0].at("scope ippiCopy_8u_C4R"), "image");
  for (const auto& [Entry, Source] : R.Reports[1]) {
    if (Entry.rfind("scope ", 0) == 0) {
      EXPECT_EQ(Source, "trampoline") << Entry;
    }
  }
  for (const char* Lib : {"signal", "core", "image", "cc"}) {
    const std::string Key = std::string("loaded ") + Lib;
    ASSERT_EQ(R.Lines.count(Key), 1u) << Lib;
    EXPECT_EQ(R.Lines.at(Key), (std::vector<std::string>{"1", "0"})) << Lib << ": loaded, then released";
  }
}

} // namespace
