// Session scripts: the parser, the printed values, and tovrak script (with
// tovrak demo and tovrak monitor) run in-process.
#include "hosts/cli/script.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "hosts/cli/commands.hpp"

namespace tovrak::hosts {
namespace {

using namespace std::string_literals;

TEST(ScriptParser, ReadsEveryStatementForm) {
  auto s = parse_script(
      "Port = 1  ' a comment\n"
      "\n"
      "SetRefresh\n"
      "SetTX 14.1, 7   # another comment\n"
      "SetKeyerMessage 1, 2, \"say \"\"hi\"\" # not a comment\"\n"
      "@radio \"FA00014250000;\"\n"
      "@wait 250\n"
      "@clock 86399.5\n"
      "@failopen \"Port in use\"\n"
      "X 1, -5, 40000, 3000000000, 2.5, True, False, Empty\n");
  // Reads, and a value set or read by index, are the run's below.
  ASSERT_EQ(s.size(), 9u);
  EXPECT_EQ(s[0].args, std::vector{Variant(int16_t{1})});
  EXPECT_EQ(std::pair(s[1].kind, s[1].line), std::pair(Statement::Kind::Call, 3));
  EXPECT_TRUE(s[1].args.empty());
  EXPECT_EQ(s[2].args, (std::vector{Variant(14.1), Variant(int16_t{7})}));
  EXPECT_EQ(s[3].args[2], Variant("say \"hi\" # not a comment"));
  EXPECT_EQ(s[4].text, "FA00014250000;");
  EXPECT_EQ(s[5].number, 250.0);
  EXPECT_EQ(std::pair(s[6].kind, s[6].number), std::pair(Statement::Kind::Clock, 86399.5));
  EXPECT_EQ(std::pair(s[7].kind, s[7].text),
            std::pair(Statement::Kind::FailOpen, std::string("Port in use")));
  // Numbers take the type their literal has.
  using V = Variant;
  EXPECT_EQ(s[8].args, (std::vector{V(int16_t{1}), V(int16_t{-5}), V(int32_t{40000}), V(3e9),
                                    V(2.5), V(VTrue), V(VFalse), V()}));
}

// Each text's last line is its first bad one.
TEST(ScriptParser, StopsAtTheFirstBadLineWithItsNumber) {
  for (const std::string text :
       {"? Freq\nSetTX 14.1,\n", "@radio FA;\n", "\n\n@sleep 5\n", "Port = \n", "@radio \"open\n",
        "? AFLevel(1\n", "SetTX(14.1) 7\n", "@clock 90000\n", "@wait 5\n@wait 86400001\n",
        "@wait 9e15\n", "1abc\n", "? Freq\nSetTX 1e\n"}) {
    int line = 0;
    try {
      parse_script(text);
    } catch (const ScriptError& e) {
      line = e.line();
    }
    EXPECT_EQ(line, std::ranges::count(text, '\n')) << text;
  }
}

TEST(ScriptOutput, ValuesPrintAsTheyReadBack) {
  // As the scripting host prints them: plain up to 15 significant digits
  // (7 for a Single), an exponent only beyond. A row is "LITERAL=PRINTED",
  // or "LITERAL" where it prints as written.
  auto check = [](const std::string& row, auto value_of) {
    const size_t cut = row.find('=');
    EXPECT_EQ(format_value(Variant(value_of(row.substr(0, cut)))), row.substr(cut + 1)) << row;
  };
  for (const char* row :
       {"0.03", "2.5", "60", "600000", "14.25", "0.5", "-0.001", "0.30000000000000004=0.3",
        "123456789012345", "1e15=1E+15", "-1.5e-16=-1.5E-16",
        "1.23456789012345678e17=1.23456789012346E+17", "1e-15=0.000000000000001"}) {
    check(row, [](const std::string& t) { return std::stod(t); });
  }
  for (const char* row : {"88.5", "3e6=3000000", "1e7=1E+07", "14.2"}) {
    check(row, [](const std::string& t) { return std::stof(t); });
  }
  EXPECT_EQ(format_value(Variant("a\"b")), "\"a\"\"b\"");
  EXPECT_EQ(format_value(Variant()), "Empty");
  EXPECT_EQ(format_bytes("FA;\r\n"), "FA;\\x0D\\x0A");
  EXPECT_EQ(format_time(12'345'678), "12.346");
}

// A command run in-process with `input` on its standard input.
struct Ran {
  int status;
  std::string out, err;
};
Ran run(int (*command)(const Args&), const Args& words, const std::string& input = "") {
  int in[2];
  EXPECT_EQ(pipe(in), 0);
  EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(in[1]);
  const int saved = dup(STDIN_FILENO);
  dup2(in[0], STDIN_FILENO);
  close(in[0]);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = command(words);
  std::string out = testing::internal::GetCapturedStdout();
  dup2(saved, STDIN_FILENO);
  close(saved);
  return {status, out, testing::internal::GetCapturedStderr()};
}

// A command's words ("F": a file holding `text`), its status, its output and
// the start of its standard error.
struct Row {
  int (*command)(const Args&);
  std::string words;
  int status;
  std::string out, err, text;
};
Row row(int (*command)(const Args&), std::string words, int status, std::string out,
        std::string err, std::string text = "") {
  return {command, words, status, out, err, text};
}

TEST(Commands, RunOrRefuseWithTheirStatus) {
  const std::string file = testing::TempDir() + "script_" + std::to_string(getpid());
  std::vector<Row> rows = {
      row(cmd_script, "F --virtual", 1, "AFLevel(2) !! 9 Subscript out of range\n",
          "tovrak script: F: line 1: AFLevel(2): 9 Subscript out of range\n", "? AFLevel(2)\n"),
      // A property assigned holds its value; a port number the serial
      // control refuses is said so, and is stored all the same.
      row(cmd_script, "F --virtual", 1,
          "PortSpeed = \"4800\"\nPort = 0 !! 8002 Invalid port number 0\nPort = 0\n",
          "tovrak script: F: line 3: Port = 0: 8002 Invalid port number 0\n",
          "PortSpeed = \"4800\"\n? PortSpeed\nPort = 0\n? Port\n"),
      row(cmd_script, "F --virtual", 2, "", "tovrak script: F: line 2: unknown directive @sleep",
          "? Port\n@sleep 5\n"),
      row(cmd_script, "F --port /nonexistent", 2, "",
          "tovrak script: F: line 1: @radio, @clock and @failopen play the radio: they work only "
          "with --virtual\n",
          "@radio \"ID;\"\n"),
      row(cmd_script, "F", 2, "", "tovrak script: say where the script runs: --virtual, or --port"),
      row(cmd_script, "F --port x --sim", 2, "",
          "tovrak script: --sim runs the simulated radio in virtual time"),
      row(cmd_script, "F --virtual --log x", 2, "",
          "tovrak script: --log writes the wire of a real"),
      // Up to 16 MiB is read; a byte more, refused.
      row(cmd_script, "F --virtual", 0, "", "", std::string(16 << 20, '\n')),
      row(cmd_script, "F --virtual", 2, "", "tovrak script: cannot read F: longer than 16 MiB\n",
          std::string((16 << 20) + 1, '\n')),
      row(cmd_script, "/nonexistent --virtual", 2, "",
          "tovrak script: cannot read /nonexistent: No such file or directory\n"),
      row(cmd_monitor, "", 2, "",
          "tovrak monitor: say which radio: --port PATH or --sim (tovrak monitor --help)\n"),
      row(cmd_monitor, "--sim --log /nonexistent/log", 1, "",
          "tovrak monitor: cannot write the log /nonexistent/log\n"),
      row(cmd_monitor, "--port /nonexistent", 1, "", "tovrak monitor: "),
      row(cmd_share, "--sim", 2, "",
          "tovrak share: give at least one endpoint: --pty PATH, --listen ADDR:PORT or --http "
          "ADDR:PORT (tovrak share --help)\n"),
      row(cmd_share, "--pty p", 2, "", "tovrak share: say which radio: --port PATH or --sim"),
      row(cmd_share, "--sim --listen 10.1.2.3:4532", 2, "",
          "tovrak share: --listen 10.1.2.3 reaches beyond this machine: say who may connect with "
          "--allow"),
      row(cmd_share,
          "--sim --max-clients 0 --allow-tx --plain --tx-timeout 5 --log x --log-limit 5", 2, "",
          "tovrak share: --max-clients 0 is out of range (1 to 1000)"),
      row(cmd_get, "bogus --port /nonexistent", 2, "", "tovrak get: unknown name \"bogus\""),
      row(cmd_get, "freq", 2, "", "tovrak get: say which radio"),
      row(cmd_get, "freq --server 127.0.0.1:1 --port /nonexistent", 2, "",
          "tovrak get: give either --port or --server"),
      row(cmd_get, "freq --port /nonexistent", 1, "", "tovrak get: no radio on /nonexistent"),
      // A value refused before the port opens.
      row(cmd_set, "mode XYZ --port /nonexistent", 2, "",
          "tovrak set: mode takes one of LSB, USB, CW, AM, FM, FSK, PKT, WFM, not \"XYZ\""),
      row(cmd_set, "power 101 --port /nonexistent", 2, "",
          "tovrak set: power 101 is out of range (0 to 100)"),
      row(cmd_set, "vfo C --port /nonexistent", 2, "",
          "tovrak set: vfo takes one of A, B, not \"C\""),
      row(cmd_set, "freq fast --port /nonexistent", 2, "",
          "tovrak set: the frequency takes a number from 0 to 1000000000000, not \"fast\""),
      row(cmd_set, "smeter 3 --port /nonexistent", 2, "",
          "tovrak set: cannot set \"smeter\" (freq, mode, vfo, split, power, af, rf, sql)"),
  };
  // A speed no port offers, and the radio's options without --sim: each
  // command's usage error.
  const std::tuple<int (*)(const Args&), const char*, const char*, const char*> commands[] = {
      {cmd_script, "script", "F --port x", "F --virtual"},
      {cmd_monitor, "monitor", "--port x", "--port x"},
      {cmd_share, "share", "--pty p --port x", "--pty p --port x"},
      {cmd_get, "get", "freq --port x", nullptr}};
  for (auto [command, name, port, radio] : commands) {
    const std::string tovrak = "tovrak "s + name;
    rows.push_back(row(command, port + " --speed 12345"s, 2, "",
                       tovrak +
                           ": Invalid property value: port settings \"12345,N,8,1\": no "
                           "serial port offers the speed 12345 (" +
                           tovrak + " --help)\n"));
    if (radio) {
      rows.push_back(row(command, radio + " --id 5"s, 2, "",
                         tovrak + ": the radio options shape the simulated radio: add --sim (" +
                             tovrak + " --help)\n"));
    }
  }
  for (const auto& r : rows) {
    SCOPED_TRACE(r.words);
    std::ofstream(file, std::ios::binary) << r.text;
    Args words;
    std::istringstream in(r.words);
    for (std::string w; in >> w;) words.push_back(w == "F" ? file : w);
    Ran got = run(r.command, words);
    if (const size_t at = got.err.find(file); at != std::string::npos) {
      got.err = got.err.substr(0, at) + "F" + got.err.substr(at + file.size());
    }
    EXPECT_EQ(std::tie(got.status, got.out), std::tie(r.status, r.out));
    EXPECT_EQ(got.err.substr(0, r.err.size()), r.err);
  }
  std::remove(file.c_str());
}

// tovrak demo in real time, its plain log with the wire: the host's end, the
// operator stopped, polling on while the check passes; a refused log.
TEST(DemoCommand, PlainLogEndsWithTheCheck) {
  const Ran got = run(cmd_demo, {"--plain", "--trace", "--seconds", "5"});
  EXPECT_EQ(got.status, 0) << got.err;
  for (const char* text :
       {"  SetPort(True), SetCAT(1) on /dev/pts/", "  the radio's operator stops; SetRefresh()\n",
        "demo check passed: the component agrees with the radio\n"}) {
    EXPECT_NE(got.out.find(text), std::string::npos) << text << "\n" << got.out;
  }
  // The summary every 2 s; the wire's last line after 5 s of settling.
  EXPECT_TRUE(std::regex_search(got.out, std::regex("\n +[0-9.]+  A +[0-9.]+ [A-Z]+ \\| B ")));
  const size_t last = got.out.rfind('\n', got.out.rfind("  TX ")) + 1;
  EXPECT_GE(std::stod(got.out.substr(last, 7)), 9.0) << got.out;
  EXPECT_EQ(run(cmd_demo, {"--log", "/nonexistent/log"}).err,
            "tovrak demo: cannot write the log /nonexistent/log\n");
}

// tovrak monitor reading a pipe in real time: the first read waits for the
// radio's status, a bad line is told, the end releases the transmitter.
TEST(MonitorCommand, RunsPipedStatements) {
  const Ran got = run(cmd_monitor, {"--sim", "--trace"}, "? Freq\nSetFreq (\nSetPTT 1\nquit\n");
  EXPECT_EQ(got.status, 0);
  for (const char* text : {"TX 0.", "RX 0.", "EV 0.", "\nFreq = 14.2\nline 2: expected a value",
                           "\nSetPTT(1) -> True\nTX ", " TX0;\n"}) {
    EXPECT_NE(got.out.find(text), std::string::npos) << text << "\n" << got.out;
  }
  EXPECT_EQ(got.err, "tovrak monitor: transmitter released\n");
}

}  // namespace
}  // namespace tovrak::hosts
