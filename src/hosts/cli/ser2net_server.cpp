#include "hosts/cli/ser2net_server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace tovrak::hosts {

namespace {

int free_loopback_port() {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  // Asked of loopback, where the server will listen: nothing else on the
  // network ever sees the port bound, even for this moment.
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  if (s >= 0) close(s);
  if (port == 0) throw std::runtime_error("no free TCP port on 127.0.0.1");
  return port;
}

// Whether something listens on 127.0.0.1:port, read from the kernel's table
// (a trial connection would start a session on the server).
bool listening(int port) {
  std::ifstream tcp("/proc/net/tcp");
  char want[32];
  std::snprintf(want, sizeof want, "0100007F:%04X", port);
  std::string line;
  while (std::getline(tcp, line)) {
    // "  sl  local_address rem_address   st ...": state 0A is LISTEN.
    auto at = line.find(want);
    if (at != std::string::npos && line.compare(at + 28, 2, "0A") == 0) return true;
  }
  return false;
}

}  // namespace

std::string Ser2netServer::program() {
  for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (access(p, X_OK) == 0) return p;
  }
  return "";
}

Ser2netServer::Ser2netServer(const std::string& device) : device_(device) {
  if (program().empty()) {
    throw std::runtime_error("ser2net is not installed (sudo apt install ser2net)");
  }
  char dir[] = "/tmp/tovrak-ser2net-XXXXXX";
  if (!mkdtemp(dir)) throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
  dir_ = dir;
  port_ = free_loopback_port();
  std::ofstream yaml(dir_ + "/ser2net.yaml");
  // No per-character delay: ser2net's default waits for more bytes before
  // passing an answer on, a few milliseconds each time; and no Nagle delay
  // on its socket (nodelay), so a short answer leaves at once.
  yaml << "%YAML 1.1\n---\n"
       << "connection: &radio\n"
       << "  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1," << port_ << "\n"
       << "  connector: serialdev," << device_ << ",9600n81,local\n"
       << "  options:\n"
       << "    kickolduser: true\n"
       << "    chardelay: false\n"
       << "    mdns: false\n";
  yaml.close();
  start();
}

Ser2netServer::~Ser2netServer() {
  kill();
  for (const char* f : {"/ser2net.yaml", "/ser2net.pid", "/ser2net.log"}) {
    std::remove((dir_ + f).c_str());
  }
  rmdir(dir_.c_str());
}

std::string Ser2netServer::locator() const {
  return "rfc2217://127.0.0.1:" + std::to_string(port_);
}

void Ser2netServer::start() {
  kill();
  const std::string prog = program(), conf = dir_ + "/ser2net.yaml", pid = dir_ + "/ser2net.pid",
                    log = dir_ + "/ser2net.log";
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid_ == 0) {
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    // Foreground, no lock files, its own pid file.
    execl(prog.c_str(), prog.c_str(), "-n", "-u", "-c", conf.c_str(), "-P", pid.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!listening(port_)) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_ || std::chrono::steady_clock::now() > end) {
      pid_ = -1;
      throw std::runtime_error("ser2net did not start; see " + log);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void Ser2netServer::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace tovrak::hosts
