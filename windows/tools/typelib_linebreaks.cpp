// typelib_linebreaks IN OUT: turns the escapes \r and \n in the help strings of
// a type library into the characters CR and LF.
//
// The type library compiler keeps escapes in strings as written, and a help
// string cannot hold a raw line break in the interface description, so the
// line breaks of the help texts are put in here. Each string keeps the space
// it has in the string table, so no offset in the library moves: the shorter
// text is followed by NULs, and the length field names the shortest length
// that still spans the same space.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 0x54;
constexpr uint32_t kMagic = 0x5446534D;  // "MSFT"
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr size_t kSegmentCount = 15;
constexpr size_t kStringSegment = 8;

uint32_t u32(const std::vector<unsigned char>& d, size_t at) {
  if (at + 4 > d.size()) throw std::runtime_error("truncated type library");
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

// The space a string of `length` characters takes, length field included.
size_t piece(size_t length) {
  size_t p = length + 2;
  if (p % 4) p = (p + 4) & ~size_t{3};
  return p < 8 ? 8 : p;
}

int fix(std::vector<unsigned char>& d) {
  if (u32(d, 0) != kMagic) throw std::runtime_error("not a type library");
  size_t at = kHeaderSize;
  if (u32(d, 0x14) & kHelpDllFlag) at += 4;
  at += 4 * static_cast<size_t>(u32(d, 0x20));  // type info offsets
  const size_t seg = at + 16 * kStringSegment;
  if (seg + 16 > at + 16 * kSegmentCount) throw std::logic_error("segment index");
  const size_t start = u32(d, seg);
  const size_t length = u32(d, seg + 4);
  if (start + length > d.size()) throw std::runtime_error("string table outside the file");

  int changed = 0;
  size_t offs = 0;
  while (offs < length) {
    const size_t entry = start + offs;
    const size_t len = d[entry] | d[entry + 1] << 8;
    const size_t span = piece(len);
    if (offs + span > length) throw std::runtime_error("string table entry overruns its table");
    unsigned char* text = &d[entry + 2];
    size_t out = 0;
    for (size_t i = 0; i < len; ++i) {
      if (text[i] == '\\' && i + 1 < len && (text[i + 1] == 'r' || text[i + 1] == 'n')) {
        text[out++] = text[i + 1] == 'r' ? '\r' : '\n';
        ++i;
      } else {
        text[out++] = text[i];
      }
    }
    if (out != len) {
      size_t new_len = out;
      while (piece(new_len) < span) ++new_len;
      std::memset(text + out, 0, span - 2 - out);
      d[entry] = static_cast<unsigned char>(new_len & 0xFF);
      d[entry + 1] = static_cast<unsigned char>(new_len >> 8);
      ++changed;
    }
    offs += span;
  }
  if (offs != length) throw std::runtime_error("string table does not end on an entry");
  return changed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: typelib_linebreaks IN OUT\n", stderr);
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.eof() && !in) throw std::runtime_error("cannot read");
    int changed = fix(data);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write");
    std::printf("typelib_linebreaks: %d help strings with line breaks\n", changed);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "typelib_linebreaks: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
