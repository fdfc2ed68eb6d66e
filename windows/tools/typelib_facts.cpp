// typelib_facts FILE: prints what a type library says of its platform and
// its types, read without Windows: the type library itself or a DLL that
// embeds one (the first one found).
//
//   syskind 1                      (0 win16, 1 win32, 2 mac, 3 win64)
//   type 4 174 _TOVRAK_Protocol     (type kind, number of functions, name)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 0x54;
constexpr uint32_t kHelpDllFlag = 0x100;
constexpr size_t kTypeInfoSegment = 0;
constexpr size_t kNameSegment = 7;
constexpr size_t kTypeInfoSize = 0x64;

struct Reader {
  const std::vector<unsigned char>& d;
  size_t base;

  uint32_t u32(size_t at) const {
    at += base;
    if (at + 4 > d.size()) throw std::runtime_error("truncated type library");
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
  }
  std::string text(size_t at, size_t length) const {
    at += base;
    if (at + length > d.size()) throw std::runtime_error("truncated type library");
    return std::string(d.begin() + static_cast<long>(at),
                       d.begin() + static_cast<long>(at + length));
  }
};

size_t FindLibrary(const std::vector<unsigned char>& d) {
  const std::string magic = "MSFT";
  auto it = std::search(d.begin(), d.end(), magic.begin(), magic.end());
  if (it == d.end()) throw std::runtime_error("no type library in the file");
  return static_cast<size_t>(it - d.begin());
}

void Print(const Reader& r) {
  std::printf("syskind %u\n", r.u32(0x14) & 0xF);
  const size_t count = r.u32(0x20);
  size_t offsets = kHeaderSize + ((r.u32(0x14) & kHelpDllFlag) ? 4 : 0);
  const size_t segments = offsets + 4 * count;
  const size_t types = r.u32(segments + 16 * kTypeInfoSegment);
  const size_t names = r.u32(segments + 16 * kNameSegment);
  for (size_t i = 0; i < count; ++i) {
    const size_t info = types + r.u32(offsets + 4 * i);
    if (r.u32(offsets + 4 * i) + kTypeInfoSize > r.u32(segments + 16 * kTypeInfoSegment + 4)) {
      throw std::runtime_error("type info outside its table");
    }
    const size_t name = names + r.u32(info + 0x34);
    const std::string n = r.text(name + 12, r.u32(name + 8) & 0xFF);
    std::printf("type %u %u %s\n", r.u32(info) & 0xF, r.u32(info + 0x18) & 0xFFFF, n.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: typelib_facts FILE\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    Print(Reader{d, FindLibrary(d)});
  } catch (const std::exception& e) {
    std::fprintf(stderr, "typelib_facts: %s\n", e.what());
    return 1;
  }
  return 0;
}
