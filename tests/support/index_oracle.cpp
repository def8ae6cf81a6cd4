#include "support/index_oracle.h"

#include <bit>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quillet::testing {
namespace {

namespace stdfs = std::filesystem;

std::vector<uint8_t> Bytes(const stdfs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
unsigned U16(const uint8_t* p) { return p[0] | (p[1] << 8u); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16u); }
float Mbf(const uint8_t* p) {
  if (p[3] == 0) return 0.0f;
  const uint32_t sign = p[2] & 0x80u, exponent = p[3] - 2u;
  const uint32_t bits = (sign << 24) | (exponent << 23) | ((p[2] & 0x7Fu) << 16) | U16(p);
  return std::bit_cast<float>(bits);
}
std::string Text(const uint8_t* p, size_t size) {
  std::string t(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), size));
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}
// DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL, OI.
constexpr std::array<uint8_t, 8> kBits = {0x01, 0x80, 0x20, 0x02, 0x04, 0x08, 0x10, 0x40};

std::vector<OracleEntry> Emaster(const stdfs::path& dir) {
  std::vector<OracleEntry> out;
  const stdfs::path file = FindAnyCase(dir, "EMASTER");
  if (file.empty()) return out;
  const std::vector<uint8_t> b = Bytes(file);
  const size_t n = b.size() < 192 ? 0 : std::min<size_t>(U16(b.data()), b.size() / 192 - 1);
  for (size_t k = 1; k <= n; ++k) {
    const uint8_t* r = &b[k * 192];
    OracleEntry e{"EMASTER", r[2], Text(r + 11, 21), Text(r + 32, 28), r[7],
                  4 * std::popcount(r[7]), std::bit_cast<float>(U32(r + 64)),
                  std::bit_cast<float>(U32(r + 72))};
    if ((e.mask & 1) != 0 && e.number > 0) out.push_back(e);
  }
  return out;
}

}  // namespace

stdfs::path FindAnyCase(const stdfs::path& dir, const std::string& name) {
  for (const auto& entry : stdfs::directory_iterator(dir)) {
    const std::string n = entry.path().filename().string();
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) ==
                 std::toupper(static_cast<unsigned char>(b));
        })) {
      return entry.path();
    }
  }
  return {};
}

std::optional<OracleEntry> OracleEmaster(const stdfs::path& dir, int number,
                                         const std::string& symbol) {
  for (const OracleEntry& e : Emaster(dir)) {
    if (e.number == number && e.symbol == symbol) return e;
  }
  return std::nullopt;
}

std::vector<OracleEntry> OracleIndex(const stdfs::path& dir) {
  std::vector<OracleEntry> out;
  if (const stdfs::path master = FindAnyCase(dir, "MASTER"); !master.empty()) {
    const std::vector<uint8_t> b = Bytes(master);
    for (size_t k = 1; k <= U16(b.data()); ++k) {
      const uint8_t* r = &b[k * 53];
      OracleEntry e{"MASTER", r[0], Text(r + 36, 16), Text(r + 7, 16), 0, r[3],
                    Mbf(r + 25),  Mbf(r + 29)};
      const auto extra = OracleEmaster(dir, e.number, e.symbol);
      if (extra && extra->recordLength == e.recordLength) {
        e.mask = extra->mask;
      } else if (r[33] == 'I') {
        e.mask = e.recordLength == 28 ? 0xBF : 0xFF;
      } else {
        e.mask = e.recordLength == 28 ? 0x7F : 0x3F;
      }
      out.push_back(e);
    }
  } else {
    out = Emaster(dir);
  }
  const stdfs::path xmaster = FindAnyCase(dir, "XMASTER");
  const std::vector<uint8_t> b = xmaster.empty() ? std::vector<uint8_t>{} : Bytes(xmaster);
  if (b.size() < 150 || U32(b.data()) != 0x4D58FE5Du) return out;
  for (size_t k = 1; k <= U16(&b[10]); ++k) {
    const uint8_t* r = &b[k * 150];
    const auto date = [](uint32_t v) { return v == 0 ? 0.0f : static_cast<float>(v - 19000000); };
    out.push_back({"XMASTER", static_cast<int>(U16(r + 65)), Text(r + 1, 15), Text(r + 16, 46),
                   r[70], 4 * std::popcount(r[70]), date(U32(r + 108)), date(U32(r + 116))});
  }
  return out;
}

std::optional<std::vector<OracleQuote>> OracleQuotes(const stdfs::path& dir,
                                                     const OracleEntry& entry) {
  const std::string name = "F" + std::to_string(entry.number) +
                           (entry.source == "XMASTER" ? ".MWD" : ".DAT");
  const stdfs::path file = FindAnyCase(dir, name);
  if (file.empty()) return std::nullopt;
  const std::vector<uint8_t> b = Bytes(file);
  const size_t rl = static_cast<size_t>(entry.recordLength);
  const size_t n = std::min<size_t>(U16(&b[2]) - 1u, b.size() / rl - 1);
  std::vector<OracleQuote> quotes;
  for (size_t k = 1; k <= n; ++k) {
    OracleQuote q;
    size_t at = k * rl;
    for (size_t f = 0; f < kBits.size(); ++f) {
      q[f] = (entry.mask & kBits[f]) == 0 ? -1.0f : Mbf(&b[at]);
      if ((entry.mask & kBits[f]) != 0) at += 4;
    }
    quotes.push_back(q);
  }
  return quotes;
}

}  // namespace quillet::testing
