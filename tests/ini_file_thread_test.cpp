#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sim/memory_file_store.h"
#include "settings/ini_file.h"

namespace zlv {
namespace {

// Threads that write different keys of one file must not lose each other's
// keys: each write is a whole read-modify-write under the store's lock.
TEST(IniStoreThreads, ConcurrentWritersKeepEveryKey) {
  MemoryFileStore files;
  IniStore store(files);
  constexpr int kThreads = 4;
  constexpr int kKeys = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&store, t] {
      for (int k = 0; k < kKeys; ++k) {
        const Text section = u"T" + DecimalText(t);
        ASSERT_TRUE(store.Write(u"shared.ini", section, u"K" + DecimalText(k), DecimalText(k)));
        (void)store.Read(u"shared.ini", section, u"K0", 260);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  const IniSnapshot snapshot = store.Open(u"shared.ini");
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(snapshot.ReadInt(u"T" + DecimalText(t), u"K" + DecimalText(k), 260), k)
          << "thread " << t << " key " << k;
    }
  }
  EXPECT_EQ(files.commits(), kThreads * kKeys);
}

}  // namespace
}  // namespace zlv
