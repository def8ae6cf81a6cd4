#pragma once

// Shared by the fuzz targets: a scratch folder per process (on tmpfs when the
// machine has one, so an input costs no disk I/O) and byte-exact file writes.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/base/mbf.h"
#include "core/fs/file_steps.h"
#include "core/lib/master.h"

namespace quillet::fuzz {

namespace stdfs = std::filesystem;

// Stops the run with a message libFuzzer shows next to the input that broke it.
// Fails the file step numbered failAt (from 0; -1: none) and counts the steps.
struct FailStep final : fs::FileSteps {
  explicit FailStep(int at) : failAt(at) {}
  bool Allow(fs::FsStep, const stdfs::path&) override { return taken++ != failAt; }
  int failAt;
  int taken = 0;
};

#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

inline const stdfs::path& ScratchRoot() {
  static stdfs::path root;
  if (root.empty()) {
    std::error_code ec;
    const stdfs::path base = stdfs::is_directory("/dev/shm", ec) ? stdfs::path("/dev/shm")
                                                                 : stdfs::temp_directory_path();
    root = base / ("quillet-fuzz-" + std::to_string(::getpid()));
    stdfs::remove_all(root, ec);
    stdfs::create_directories(root);
    std::atexit([] {
      std::error_code e;
      stdfs::remove_all(root, e);
    });
  }
  return root;
}

// The folder each input starts from: emptied before every input.
inline stdfs::path FreshDir() {
  const stdfs::path dir = ScratchRoot() / "p";
  std::error_code ec;
  stdfs::remove_all(dir, ec);
  stdfs::create_directories(dir);
  return dir;
}

inline void WriteFile(const stdfs::path& file, const void* data, size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}
inline void WriteFile(const stdfs::path& file, const std::vector<uint8_t>& bytes) {
  WriteFile(file, bytes.data(), bytes.size());
}
inline void WriteFile(const stdfs::path& file, std::string_view text) {
  WriteFile(file, text.data(), text.size());
}

// One security record with the given file number, record length and field count.
inline MasterRecord SecurityRecord(uint8_t fileNumber, std::string_view symbol,
                                   uint8_t recordLength, uint8_t fieldCount) {
  MasterRecord r;
  r.bytes.fill(0);
  r.bytes[kMasterFileNumber] = fileNumber;
  r.bytes[kMasterRecordLength] = recordLength;
  r.bytes[kMasterFieldCount] = fieldCount;
  r.SetText(kMasterName, symbol);
  r.SetText(kMasterSymbol, symbol);
  r.bytes[kMasterPeriodicity] = 'D';
  return r;
}

// A MASTER of the given records; headerCount is N as stored.
inline std::vector<uint8_t> MasterBytes(const std::vector<MasterRecord>& records,
                                        int16_t headerCount) {
  std::vector<uint8_t> bytes(kMasterRecordSize, 0);
  StoreInt16(headerCount, &bytes[kMasterHeaderCount]);
  StoreInt16(static_cast<int16_t>(records.size()), &bytes[kMasterHeaderCount2]);
  for (const MasterRecord& r : records) bytes.insert(bytes.end(), r.bytes.begin(), r.bytes.end());
  return bytes;
}

}  // namespace quillet::fuzz
