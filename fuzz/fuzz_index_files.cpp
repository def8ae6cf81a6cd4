// EMASTER and XMASTER readers over arbitrary bytes: every entry taken for a
// security must describe one the readers can use (a file number in its file's
// range, a record length the bitmask gives, a symbol), and a folder whose index
// files are garbage still lists its MASTER's securities, with warnings only.
// The first input byte picks EMASTER or XMASTER; a dates round trip checks
// that a write puts back what a read gives.

#include <bit>
#include <cmath>
#include <vector>

#include "core/lib/index_files.h"
#include "fuzz_support.h"

using namespace quillet;

namespace {

void CheckEntries(const IndexFile& file, size_t size) {
  FUZZ_CHECK((file.Entries() + 1) * file.RecordSize() <= size || file.Entries() == 0);
  for (size_t i = 0; i < file.Entries(); ++i) {
    MasterRecord r;
    std::string why;
    if (!file.Security(i, r, &why)) {
      FUZZ_CHECK(!why.empty());
      continue;
    }
    FUZZ_CHECK(!r.Symbol().empty());
    FUZZ_CHECK((r.fieldMask & 0x01) != 0);
    FUZZ_CHECK(r.RecordLength() == 4 * std::popcount(static_cast<unsigned>(r.fieldMask)));
    if (file.Kind() == IndexKind::Xmaster) {
      FUZZ_CHECK(r.QuoteFileNumber() >= kFirstXmasterNumber && r.FileNumber() == 0);
      FUZZ_CHECK(r.QuoteFileExtension() == std::string_view("MWD"));
    } else {
      FUZZ_CHECK(r.QuoteFileNumber() >= 1 && r.QuoteFileNumber() <= 255);
    }
    // Whole CYYMMDD dates survive a write and a read in the file's own encoding.
    IndexFile copy = file;
    copy.SetDates(i, 1240102.0f, 991231.0f);
    MasterRecord back;
    FUZZ_CHECK(copy.Security(i, back));
    FUZZ_CHECK(back.FirstDate() == 1240102.0f && back.LastDate() == 991231.0f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const IndexKind kind = (data[0] & 1) != 0 ? IndexKind::Xmaster : IndexKind::Emaster;
  std::vector<uint8_t> bytes(data + 1, data + size);
  // Half the inputs are given the magic, so that XMASTER's records are reached.
  if (kind == IndexKind::Xmaster && (data[0] & 2) != 0 && bytes.size() >= 4) {
    std::copy(kXmasterMagic.begin(), kXmasterMagic.end(), bytes.begin());
  }
  IndexFile file;
  if (file.Assign(bytes, kind) == LIB_OK) {
    CheckEntries(file, bytes.size());
  } else {
    FUZZ_CHECK(!file.Present() && file.Entries() == 0 && !file.Warnings().empty());
  }

  // The same bytes beside a sound MASTER of one security: it always lists.
  const fuzz::stdfs::path dir = fuzz::FreshDir();
  fuzz::WriteFile(dir / "MASTER", fuzz::MasterBytes({fuzz::SecurityRecord(1, "IBM", 28, 7)}, 1));
  fuzz::WriteFile(dir / (kind == IndexKind::Xmaster ? "XMASTER" : "EMASTER"), bytes);
  PortfolioIndex index;
  FUZZ_CHECK(ReadPortfolioIndex(dir, index) == LIB_OK);
  FUZZ_CHECK(!index.fromEmaster && index.master.Records().size() == 1);
  FUZZ_CHECK(index.master.Records()[0].Symbol() == "IBM");
  for (const MasterRecord& r : index.extended) FUZZ_CHECK(r.QuoteFileNumber() >= 256);
  return 0;
}
