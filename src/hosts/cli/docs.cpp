#include "hosts/cli/docs.hpp"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace tovrak::hosts {

namespace {

// Text as man(7) takes it: backslashes and dashes escaped, no line taken
// for a request.
std::string roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string roff_line(const std::string& line) {
  std::string s = roff(line);
  return (s.starts_with(".") || s.starts_with("'") ? "\\&" : "") + s + "\n";
}

// Help text as paragraphs: lines indented by two spaces or more (examples,
// tables) as they are, the others filled.
std::string roff_text(const std::string& text) {
  std::string out;
  bool verbatim = false, paragraph = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const bool indented = line.starts_with("  ");
    if (line.find_first_not_of(' ') == std::string::npos) {
      if (verbatim) out += ".fi\n";
      verbatim = paragraph = false;
      continue;
    }
    if (indented != verbatim) {
      out += indented ? ".PP\n.nf\n" : ".fi\n";
      verbatim = indented;
      paragraph = !indented;
      if (!indented) out += ".PP\n";
    } else if (!indented && !paragraph) {
      out += ".PP\n";
      paragraph = true;
    }
    out += roff_line(line);
  }
  if (verbatim) out += ".fi\n";
  return out;
}

std::string joined(const std::vector<std::string>& words, const char* between = " ") {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

bool names_a_file(const std::string& value) {
  return value == "PATH" || value == "FILE" || value == "LINK";
}

// The words an argument takes: those its help lists, or for the first
// argument the names its command's help lists.
std::vector<std::string> argument_words(const CommandDoc& doc, const OptionDoc& arg, bool first) {
  auto words = listed_names(arg.help);
  if (words.empty() && first) words = listed_names(doc.footer);
  if (words.empty() && first) words = listed_names(doc.description);
  return words;
}

}  // namespace

CommandDoc describe(const Command& command) {
  CommandDoc doc;
  Options::describe_into(&doc);
  command.run({});
  Options::describe_into(nullptr);
  return doc;
}

std::vector<std::string> listed_names(const std::string& text) {
  std::vector<std::string> out;
  auto word = [](const std::string& w) {
    return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) {
      return std::islower(static_cast<unsigned char>(c));
    });
  };
  // "A or B"
  std::istringstream either(text);
  std::string a, or_, b, more;
  if ((either >> a >> or_ >> b) && !(either >> more) && or_ == "or" && word(a) && word(b)) {
    return {a, b};
  }
  const size_t at = text.find("Names:");
  if (at == std::string::npos) return out;
  std::istringstream rest(text.substr(at + 6));
  std::string first;
  std::getline(rest, first);
  if (first.find_first_not_of(' ') == std::string::npos) {
    // One a line, indented, each followed by what it is.
    for (std::string line; std::getline(rest, line) && line.starts_with("  ");) {
      std::istringstream w(line);
      std::string name;
      if (w >> name && word(name)) out.push_back(name);
    }
    return out;
  }
  // A list up to the sentence's end, each word perhaps followed by its
  // values in parentheses.
  std::string list = text.substr(at + 6);
  list = list.substr(0, list.find('.'));
  int depth = 0;
  std::string name;
  for (char c : list + ",") {
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if (depth > 0 || c == ')') continue;
    if (c == ',') {
      name.erase(0, name.find_first_not_of(" \n"));
      name.erase(name.find_last_not_of(" \n") + 1);
      if (word(name)) out.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  return out;
}

std::string man_page(const std::string& version) {
  std::string out = ".TH TOVRAK 1 \"\" \"tovrak " + version + "\" \"User Commands\"\n";
  out += R"(.SH NAME
tovrak \- drive a transceiver's CAT port, run session scripts, share the radio
.SH SYNOPSIS
.B tovrak
.I command
.RI [ options ]
.br
.B tovrak
.I command
.B \-\-help
.br
.B tovrak \-\-version
.SH DESCRIPTION
.B tovrak
is the command of the tovrak component, the library a station program loads
to drive the radio through its serial CAT port. It reads and changes the
radio once, watches and drives it by hand, runs session scripts of the
component's member calls, shares one radio among several programs, and runs
the simulated radio that every command can also drive.
.SH COMMANDS
)";
  for (const auto& command : Commands()) {
    const CommandDoc doc = describe(command);
    out += ".SS \"tovrak " + doc.command + "\"\n" + roff_text(doc.description);
    std::string group;
    for (const auto& o : doc.options) {
      if (o.group != group) {
        group = o.group;
        out += ".PP\n.I \"" + roff(group) + "\"\n";
      }
      std::string names;
      for (const auto& n : o.names) {
        names += (names.empty() ? "" : ", ") + ("\\fB" + roff(n) + "\\fR");
      }
      if (o.positional) names = "\\fI" + roff(o.names.front()) + "\\fR";
      if (!o.value.empty()) names += " \\fI" + roff(o.value) + "\\fR";
      out += ".TP\n" + names + "\n" + roff_line(o.help);
    }
    out += roff_text(doc.footer);
  }
  out += R"(.SH PORTS
.TP
.I /dev/ttyUSB0
a serial device of this machine (\fBtovrak ports\fR lists them), or a
pseudo-terminal such as the link \fBtovrak sim \-\-pty\fR makes
.TP
.I rfc2217://HOST:PORT
a serial port served over the network with the Telnet COM-PORT option
(RFC 2217, as ser2net serves it): the speed and the lines are set on the
far side
.TP
.I tcp://HOST:PORT
a port whose bytes cross a plain TCP connection as they are, with no
Telnet
.PP
Without \fB\-\-port\fR, the component's port number n means /dev/ttyS<n\-1>.
.SH EXIT STATUS
.TP
.B 0
done: every call succeeded, the change was made, the program was ended
.TP
.B 1
the radio or its port failed: a call failed, the component refused the
change, the port did not open or was lost (the reason is on standard error)
.TP
.B 2
a usage mistake (an unknown option, a value out of its range, options that
do not go together) or a session script that cannot be read; nothing was
done
.TP
.B 130
interrupted by Ctrl\-C, SIGTERM or SIGHUP; a transmission keyed through
tovrak was released and the port closed on the way out
.SH ENVIRONMENT
.TP
.B XDG_STATE_HOME
where the monitor keeps its history (tovrak/history; without it
~/.local/state/tovrak/history); the directories are made when missing
.SH FILES
.TP
.I /usr/share/doc/tovrak/README.md
the component, its Python module and the session scripts in detail
.SH SEE ALSO
.BR python3 (1):
.B import tovrak
)";
  return out;
}

std::string bash_completion() {
  std::string commands;
  for (const auto& c : Commands()) commands += std::string(c.name) + " ";
  std::string cases;
  for (const auto& command : Commands()) {
    const CommandDoc doc = describe(command);
    std::vector<std::string> options, files, values, args;
    for (const auto& o : doc.options) {
      if (o.positional) {
        const auto words = argument_words(doc, o, args.empty());
        args.push_back(names_a_file(o.names.front()) ? "@files" : joined(words, ","));
        continue;
      }
      for (const auto& n : o.names) {
        options.push_back(n);
        if (!o.value.empty()) values.push_back(n);
        if (names_a_file(o.value)) files.push_back(n);
      }
    }
    cases += "    " + doc.command + ")\n      options=\"" + joined(options) + "\"\n      files=\"" +
             joined(files) + "\"\n      values=\"" + joined(values) + "\"\n      args=(";
    for (const auto& a : args) cases += "\"" + a + "\" ";
    if (!args.empty()) cases.pop_back();
    cases += ")\n      ;;\n";
  }
  return R"(# bash completion for tovrak                               -*- shell-script -*-
# Written from the commands' own option tables when tovrak was built.

_tovrak() {
  local cur prev words cword
  _init_completion || return

  if ((cword == 1)); then
    COMPREPLY=($(compgen -W ")" +
         commands + R"(version --help --version" -- "$cur"))
    return
  fi

  # Per command: its options, those naming a file, those taking a value,
  # and the words of its arguments in order ("@files": a file; the last
  # one repeats).
  local options="" files="" values="" args=()
  case ${words[1]} in
)" + cases +
         R"(    *) return ;;
  esac

  if [[ " $files " == *" $prev "* ]]; then
    _filedir
    [[ $prev == --port ]] && COMPREPLY+=($(compgen -G "/dev/tty[UA]*" -- "$cur"))
    return
  fi
  [[ " $values " == *" $prev "* ]] && return
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  # Which argument this is: the words before it that are neither options
  # nor their values.
  local i n=0
  for ((i = 2; i < cword; i++)); do
    if [[ ${words[i]} == -* ]]; then
      [[ " $values " != *" ${words[i]} "* ]] || i=$((i + 1))
    else
      n=$((n + 1))
    fi
  done
  ((${#args[@]})) || return
  ((n < ${#args[@]})) || n=$((${#args[@]} - 1))
  if [[ ${args[n]} == @files ]]; then
    _filedir
  else
    COMPREPLY=($(compgen -W "${args[n]//,/ }" -- "$cur"))
  fi
} && complete -F _tovrak tovrak
)";
}

}  // namespace tovrak::hosts
