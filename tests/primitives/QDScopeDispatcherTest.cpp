// The dispatch table after start-up, in this process: group sizes, the fill
// rule, every entry callable, the widest variant chosen. The machine may or
// may not have optimised libraries; each check accepts a library's function
// exactly where the library exports the name. Loading itself, with stand-in
// libraries, is tested in child processes (PrimitiveLoadingTest.cpp).
#include "EntriesWithoutBuiltIn.h"
#include "PrimitivesTestSupport.h"

#include "primitives/KJIPPILoader.h"
#include "primitives/KJIPPSLoader.h"
#include "primitives/LibCDispatcher.h"
#include "primitives/QDBasicDispatcher.h"
#include "primitives/QDNormDispatcher.h"
#include "primitives/QDResizeDispatcher.h"
#include "primitives/QDScopeDispatcher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DispatchTable : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    KJIPPSLoaderStart();
    KJIPPILoaderStart();
    QDResizeDispatcherStart();
    QDBasicDispatcherStart();
    QDScopeDispatcherStart();
    QDNormDispatcherStart();
  }
  static void TearDownTestSuite()
  {
    QDNormDispatcherStop();
    QDScopeDispatcherStop();
    QDBasicDispatcherStop();
    QDResizeDispatcherStop();
    KJIPPILoaderStop();
    KJIPPSLoaderStop();
  }
};

// An entry called with every argument zero or null.
template <class R, class... A>
R CallWithNulls(R (*AEntry)(A...))
{
  return AEntry(A{}...);
}

// The library lookup an entry of the main or nine-entry group goes through.
void* LookupFor(const char* AName)
{
  if (std::strncmp(AName, "ippi", 4) == 0 || std::strcmp(AName, "ippsSVD_64f_D2L") == 0)
    return LookupImageProc(AName);
  return LookupSignalProc(AName);
}

#define QD_COUNT(N) +1
TEST(DispatchGroups, HaveTheirSizes)
{
  EXPECT_EQ(0 QD_RESIZE_ENTRIES(QD_COUNT), 3);
  EXPECT_EQ(0 QD_BASIC_ENTRIES(QD_COUNT), 9);
  EXPECT_EQ(0 QD_SCOPE_ENTRIES(QD_COUNT), 174);
  EXPECT_EQ(0 QD_NORM_ENTRIES(QD_COUNT), 1);
}
#undef QD_COUNT

TEST_F(DispatchTable, EveryEntryWithABuiltInIsCallableAndChecksItsPointersFirst)
{
  int Checked = 0;
  auto Check = [&](const char* AName, auto AEntry) {
    if (EntriesWithoutBuiltIn().count(AName))
      return;
    ++Checked;
    ASSERT_NE(AEntry, nullptr) << AName;
    EXPECT_EQ(CallWithNulls(AEntry), ippStsNullPtrErr) << AName;
  };
#define QD_CHECK(N) Check(#N, ::N);
  QD_RESIZE_ENTRIES(QD_CHECK)
  QD_SCOPE_ENTRIES(QD_CHECK)
  QD_NORM_ENTRIES(QD_CHECK)
#undef QD_CHECK
#define QD_CHECK(N) Check(#N, QDBasic::N);
  QD_BASIC_ENTRIES(QD_CHECK)
#undef QD_CHECK
  EXPECT_EQ(Checked, 3 + 174 + 1 + 9 - int(EntriesWithoutBuiltIn().size()));
  ASSERT_NE(ippGetCpuType, nullptr);
  if (!LookupCoreProc("ippGetCpuType")) {
    EXPECT_EQ(ippGetCpuType(), 0);
  }
}

TEST_F(DispatchTable, EntriesHoldTheLibrarysFunctionOrTheBestBuiltIn)
{
  auto Check = [](const char* AName, auto AEntry, void* AFound, auto ABuiltIn) {
    if (AFound) {
      EXPECT_EQ(reinterpret_cast<void*>(AEntry), AFound) << AName;
    } else {
      EXPECT_EQ(AEntry, ABuiltIn) << AName;
    }
  };
#define QD_CHECK(N, LOOKUP)                                                              \
  if constexpr (TestHasBuiltIn<&::N>)                                                    \
    Check(#N, ::N, LOOKUP(#N), LibC::Best(&LibC::N));                                    \
  else                                                                                   \
    Check(#N, ::N, LOOKUP(#N), decltype(::N)(nullptr));
#define QD_SCOPE(N) QD_CHECK(N, LookupFor)
#define QD_RESIZE(N) QD_CHECK(N, LookupImageProc)
#define QD_NORM(N) QD_CHECK(N, LookupSignalProc)
  QD_SCOPE_ENTRIES(QD_SCOPE)
  QD_RESIZE_ENTRIES(QD_RESIZE)
  QD_NORM_ENTRIES(QD_NORM)
#define QD_BASIC(N) Check(#N, QDBasic::N, LookupFor(#N), LibC::Best(&LibC::Basic::N));
  QD_BASIC_ENTRIES(QD_BASIC)
  Check("ippGetCpuType", ippGetCpuType, LookupCoreProc("ippGetCpuType"), &LibC::ippGetCpuType);
}

TEST_F(DispatchTable, BuiltInsAreTheWidestVariantThisProcessorRuns)
{
  if (LibC::HostIsa() == LibC::TIsa::Portable)
    GTEST_SKIP() << "no wider vector unit";
  if (LookupSignalProc("ippsAdd_64f_I"))
    GTEST_SKIP() << "an optimised library serves the entry";
  EXPECT_EQ(ippsAdd_64f_I, LibC::Variant(&LibC::ippsAdd_64f_I, LibC::HostIsa()));
  EXPECT_NE(ippsAdd_64f_I, &LibC::ippsAdd_64f_I);
}

TEST(BuiltInVariants, ExistOnlyWhereTheProcessorRunsThem)
{
  EXPECT_EQ(LibC::Variant(&LibC::ippsAdd_64f_I, LibC::TIsa::Portable), &LibC::ippsAdd_64f_I);
  // Built-ins without wider forms have no variants; Best keeps them.
  EXPECT_EQ(LibC::Variant(&LibC::ippsLn_64f, LibC::TIsa::Avx2), nullptr);
  EXPECT_EQ(LibC::Best(&LibC::ippsLn_64f), &LibC::ippsLn_64f);
  for (LibC::TIsa Isa : {LibC::TIsa::Avx2, LibC::TIsa::Avx512}) {
    const bool Runs = LibC::HostIsa() >= Isa;
    EXPECT_EQ(LibC::Variant(&LibC::ippsSqrt_64f, Isa) != nullptr, Runs) << int(Isa);
  }
}

} // namespace
