// Who may reach the page and control the radio, as the options say it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "hosts/cli/web_host.hpp"

namespace tovrak::web {
namespace {

TEST(WebOptions, BeyondLoopbackNeedsAllowedNetworksAndATokenOrReadOnly) {
  struct Row {
    bool enabled;
    const char* address;
    bool readonly;
    const char* token;
    bool allow;
    const char* refusal;  // the start of it; "" when accepted
  };
  const Row rows[] = {
      {true, "127.0.0.1", false, "", false, ""},
      {true, "127.0.0.1", true, "", false, ""},
      {true, "0.0.0.0", false, "/t", true, ""},
      {true, "192.168.1.5", true, "", true, ""},
      {false, "127.0.0.1", false, "", false, ""},
      {true, "0.0.0.0", false, "/t", false, "--http 0.0.0.0 reaches beyond this machine: say who"},
      {true, "192.168.1.5", false, "", true,
       "--http 192.168.1.5 reaches beyond this machine: pages"},
      {true, "127.0.0.1", true, "/t", false, "--http-readonly and --http-token exclude each other"},
      {false, "127.0.0.1", true, "", false, "--http-readonly and --http-token go with --http"},
      {false, "127.0.0.1", false, "/t", false, "--http-readonly and --http-token go with --http"},
  };
  for (const Row& r : rows) {
    WebOptions o;
    o.enabled = r.enabled;
    o.http.address = r.address;
    o.readonly = r.readonly;
    o.token_path = r.token;
    std::vector<platform::Cidr> allow;
    if (r.allow) allow.push_back(platform::Cidr::parse("192.168.1.0/24"));
    const std::string got = check_web_options(o, allow).value_or("");
    EXPECT_EQ(got.substr(0, std::string(r.refusal).size()), r.refusal) << got;
    EXPECT_EQ(got.empty(), std::string(r.refusal).empty()) << got;
  }
}

TEST(WebOptions, TheTokenIsTheFilesFirstLineAndLongEnough) {
  const auto path = std::filesystem::temp_directory_path() / "tovrak-web-token-test";
  struct Row {
    const char* file;
    const char* token;  // "" when refused
  };
  for (const Row& r :
       {Row{"  a-long-station-token \r\nsecond line\n", "a-long-station-token"},
        Row{"twelve-chars", "twelve-chars"}, Row{"eleven-char\n", ""}, Row{"\n", ""}}) {
    std::ofstream(path) << r.file;
    std::string got;
    try {
      got = read_token(path.string());
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("shorter than 12 characters"), std::string::npos);
    }
    EXPECT_EQ(got, r.token) << r.file;
  }
  std::filesystem::remove(path);
  EXPECT_THROW(read_token(path.string()), std::runtime_error);
}

}  // namespace
}  // namespace tovrak::web
