// The manual page and the completion, written from the commands' own tables:
// every command and option in both, and the man page's general sections.
#include "hosts/cli/docs.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace tovrak::hosts {
namespace {

// The completion's line `key="..."` in the case of `command`.
std::string completion_of(const std::string& script, const std::string& command,
                          const std::string& key) {
  const size_t at = script.find("\n    " + command + ")\n");
  if (at == std::string::npos) return "(no case)";
  const size_t line = script.find("      " + key + "=", at);
  const size_t end = script.find('\n', line);
  return script.substr(line + 7 + key.size(), end - line - 7 - key.size());
}

// Dashes as the man page writes them.
std::string roff(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? "\\-" : std::string(1, c);
  return out;
}

TEST(Docs, EveryCommandAndOptionIsInTheManPageAndTheCompletion) {
  const std::string man = man_page("9.9.9");
  const std::string bash = bash_completion();
  for (const auto& command : Commands()) {
    const CommandDoc doc = describe(command);
    EXPECT_NE(man.find(".SS \"tovrak " + doc.command + "\"\n"), std::string::npos) << doc.command;
    std::string options = completion_of(bash, doc.command, "options");
    options = " " + options.substr(1, options.size() - 2) + " ";
    ASSERT_FALSE(doc.options.empty()) << doc.command;
    for (const auto& o : doc.options) {
      for (const auto& n : o.names) {
        const std::string font = o.positional ? "\\fI" : "\\fB";
        EXPECT_NE(man.find(font + roff(n) + "\\fR"), std::string::npos) << doc.command << ' ' << n;
        const bool completed = o.positional || options.find(" " + n + " ") != std::string::npos;
        EXPECT_TRUE(completed) << doc.command << ' ' << n;
      }
      EXPECT_NE(man.find(roff(o.help)), std::string::npos) << o.help;
    }
  }
  for (const char* text : {".PP\n.I \"The serial port\"\n.TP\n\\fB\\-\\-port\\fR \\fIPATH\\fR\n",
                           "rfc2217://HOST:PORT", "tcp://HOST:PORT", ".B 130\n", ".B 2\n",
                           "/usr/share/doc/tovrak/README.md", "\"tovrak 9.9.9\""}) {
    EXPECT_NE(man.find(text), std::string::npos) << text;
  }
}

TEST(Docs, TheCompletionOffersWhatBashShouldOffer) {
  const std::string file = testing::TempDir() + "completion_" + std::to_string(getpid());
  std::ofstream(file) << bash_completion();
  const std::string test = std::string("bash ") + TOVRAK_TESTS_DIR + "/hosts/completion_test.sh ";
  EXPECT_EQ(std::system((test + file).c_str()), 0);
}

}  // namespace
}  // namespace tovrak::hosts
