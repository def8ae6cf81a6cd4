// Names of the format that turn out to be FIFOs or devices: the readers refuse
// them at once instead of waiting for a writer that never comes.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/fs/files.h"
#include "support/portfolio_builder.h"

namespace quillet::fs {
namespace {

TEST(SpecialFiles, FifoIsRefusedWithoutWaiting) {
  testing::TempDir dir;
  const path fifo = dir / "F1.DAT";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ::alarm(20);  // a reader that waits ends the test instead of hanging it
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadWholeFile(fifo, bytes));
  EXPECT_FALSE(ReadFileRange(fifo, 0, 4, bytes));
  EXPECT_FALSE(InputFile(fifo).IsOpen());
  ::alarm(0);
}

TEST(SpecialFiles, DeviceIsRefused) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadWholeFile("/dev/zero", bytes));
  EXPECT_FALSE(InputFile("/dev/null").IsOpen());
}

}  // namespace
}  // namespace quillet::fs
