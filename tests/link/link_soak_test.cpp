#include "link/link_soak.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace velmora {
namespace {

// Sanitizers slow each run several times over; the count keeps the test well under 30 s there too.
#if defined(__SANITIZE_THREAD__)
constexpr int kRuns = 800;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int kRuns = 1500;
#else
constexpr int kRuns = 3000;
#endif

void Report(const char* name, const testing::SoakFigures& f) {
  std::printf("%s: %d runs in %.1f s, %d failed\n", name, f.runs, f.seconds, f.failures);
}

// Random faults at random moments, the link stepped by hand. VELMORA_SOAK_RUNS sets the count;
// ./velmora.sh soak runs the long version on the link's own thread.
TEST(LinkSoak, RandomFaultsEndInTheirFailurePathAndTheLinkConnectsAgain) {
  const testing::SoakFigures f = testing::Soak(testing::EnvInt("VELMORA_SOAK_RUNS", kRuns), false);
  Report("soak", f);
  EXPECT_EQ(f.failures, 0) << f.firstFailure;
}

TEST(LinkSoak, OnTheLinkThread) {
  const testing::SoakFigures f =
      testing::Soak(testing::EnvInt("VELMORA_SOAK_THREAD_RUNS", 100), true, 1000000);
  Report("soak on the link thread", f);
  EXPECT_EQ(f.failures, 0) << f.firstFailure;
}

}  // namespace
}  // namespace velmora
