#include "link/comm_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace velmora {
namespace {

class CountingSink final : public ChangeSink {
 public:
  void Notify(uint32_t changes) override {
    if ((changes & kChangeCommLog) != 0) ++count;
  }
  std::atomic<int> count{0};
};

TEST(CommLog, NewestEntryGoesOnTopAndTheConnectLineStartsOver) {
  CountingSink sink;
  CommLog log(&sink);
  log.Replace("2026/12/7 01:14:14 Connect to 0001(5axis). ");
  log.AppendLog("recv error. ");
  EXPECT_EQ(log.Text(), "recv error. \r\n2026/12/7 01:14:14 Connect to 0001(5axis). ");
  log.AppendLog("Disconnect.");
  EXPECT_EQ(log.Text(),
            "Disconnect.\r\nrecv error. \r\n2026/12/7 01:14:14 Connect to 0001(5axis). ");
  // Only the space at the very end is dropped and put back: the older entries stay as they were.
  const std::string before = log.Text();
  log.AppendLog("x");
  EXPECT_EQ(log.Text(), "x\r\n" + before);
  log.Replace("2026/12/8 09:00:00 Connect to 0001(3axis). ");
  EXPECT_EQ(log.Text(), "2026/12/8 09:00:00 Connect to 0001(3axis). ");
  EXPECT_EQ(sink.count.load(), 5);
}

TEST(CommLog, AnEmptyLogStillEndsInASpace) {
  CommLog log;
  log.AppendLog("Disconnect.");
  EXPECT_EQ(log.Text(), "Disconnect.\r\n ");
  log.AppendLog("Disconnect.");
  EXPECT_EQ(log.Text(), "Disconnect.\r\nDisconnect.\r\n ");
}

TEST(CommLog, AViewSeesEachChangeOnce) {
  CommLog log;
  uint64_t seen = log.Version();
  std::string text = "untouched";
  EXPECT_FALSE(log.TextIfChanged(seen, text));
  EXPECT_EQ(text, "untouched");
  log.Replace("a ");
  log.AppendLog("b");
  EXPECT_TRUE(log.TextIfChanged(seen, text));
  EXPECT_EQ(text, "b\r\na ");
  EXPECT_FALSE(log.TextIfChanged(seen, text));
}

TEST(CommLog, ConcurrentAppendsKeepEveryEntry) {
  CommLog log;
  log.Replace("start. ");
  constexpr int kPerThread = 200;
  std::thread writer([&] {
    for (int i = 0; i < kPerThread; ++i) log.AppendLog("w ");
  });
  uint64_t seen = 0;
  std::string text;
  for (int i = 0; i < kPerThread; ++i) log.TextIfChanged(seen, text);  // the UI reading
  writer.join();
  text = log.Text();
  std::size_t entries = 0;
  for (std::size_t at = text.find("w \r\n"); at != std::string::npos;
       at = text.find("w \r\n", at + 1)) {
    ++entries;
  }
  EXPECT_EQ(entries, static_cast<std::size_t>(kPerThread));
  EXPECT_EQ(text.substr(text.size() - 7), "start. ");
}

}  // namespace
}  // namespace velmora
