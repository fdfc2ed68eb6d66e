#include "platform/posix/endpoints/pty_link.hpp"

#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tovrak::platform {

namespace {

constexpr char kLockPrefix[] = "tovrak-pty-link:";

std::string os_error(const std::string& what) { return what + ": " + std::strerror(errno); }

// Room for a name in the abstract namespace (after its leading zero byte).
constexpr size_t kNameRoom = sizeof(sockaddr_un::sun_path) - 1;

sockaddr_un lock_address(const std::string& name, socklen_t& len) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::memcpy(a.sun_path + 1, name.data(), name.size());
  len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return a;
}

// "#" and the FNV-1a hash of a path too long to be a name itself.
std::string digest(const std::string& text) {
  uint64_t h = 14695981039346656037u;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211u;
  char hex[18];
  std::snprintf(hex, sizeof hex, "#%016llx", static_cast<unsigned long long>(h));
  return hex;
}

// The process holding the lock `name`, or 0 when it cannot be told.
pid_t owner_of(const std::string& name) {
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  socklen_t len = 0;
  sockaddr_un a = lock_address(name, len);
  pid_t pid = 0;
  ucred cred{};
  socklen_t cred_len = sizeof cred;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
      getsockopt(s, SOL_SOCKET, SO_PEERCRED, &cred, &cred_len) == 0) {
    pid = cred.pid;
  }
  close(s);
  return pid;
}

std::string target_of(const std::string& path) {
  char target[4096];
  ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// A link nobody owns may be replaced when it leads to a pseudo-terminal's
// device or to nothing at all.
bool left_behind(const std::string& target) {
  struct stat st {};
  return target.starts_with("/dev/pts/") || stat(target.c_str(), &st) != 0;
}

}  // namespace

std::string PtyLink::lock_name(const std::string& path) {
  std::string dir = ".", base = path;
  if (auto slash = path.rfind('/'); slash != std::string::npos) {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    base = path.substr(slash + 1);
  }
  char* real = realpath(dir.c_str(), nullptr);
  std::string absolute = real ? std::string(real) : dir;
  free(real);
  if (absolute.back() != '/') absolute += '/';
  absolute += base;
  std::string name = kLockPrefix;
  name += absolute.size() + name.size() <= kNameRoom ? absolute : digest(absolute);
  return name;
}

PtyLink::PtyLink(PosixApartment& apt, std::string path, const std::string& device)
    : path_(std::move(path)), device_(device) {
  const std::string name = lock_name(path_);
  lock_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (lock_ < 0) throw std::runtime_error(os_error("cannot lock " + path_));
  auto refuse = [this](const std::string& why) {
    close(lock_);
    throw std::runtime_error(why);
  };
  socklen_t len = 0;
  sockaddr_un a = lock_address(name, len);
  if (bind(lock_, reinterpret_cast<sockaddr*>(&a), len) != 0) {
    if (errno != EADDRINUSE) refuse(os_error("cannot lock " + path_));
    const pid_t owner = owner_of(name);
    refuse(path_ + " is in use by a running tovrak" +
           (owner > 0 ? " (process " + std::to_string(owner) + ")" : std::string()) +
           "; stop it or choose another path");
  }
  // Whoever asks who holds the lock is told by the connection itself.
  listen(lock_, 8);

  struct stat st {};
  if (lstat(path_.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) refuse(path_ + " exists and is not a symbolic link; not replaced");
    const std::string target = target_of(path_);
    if (!left_behind(target)) {
      refuse(path_ + " leads to " + target + ", which is no pseudo-terminal; not replaced");
    }
    // Made beside it and renamed over it: the path never goes missing.
    const std::string fresh = path_ + ".tovrak-" + std::to_string(getpid());
    unlink(fresh.c_str());
    if (symlink(device_.c_str(), fresh.c_str()) != 0 || rename(fresh.c_str(), path_.c_str()) != 0) {
      const std::string why = os_error("cannot replace the link " + path_);
      unlink(fresh.c_str());
      refuse(why);
    }
  } else if (symlink(device_.c_str(), path_.c_str()) != 0) {
    refuse(os_error("cannot make the link " + path_));
  }

  watch_ = apt.watch(lock_, [this](FdEvents) {
    int c;
    while ((c = accept4(lock_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) close(c);
    // Out of descriptors: the askers wait, and are not told, rather than spin the loop.
    if (errno != EAGAIN && errno != EINTR) watch_->pause(true);
  });
}

PtyLink::~PtyLink() {
  watch_.reset();
  if (target_of(path_) == device_) unlink(path_.c_str());
  close(lock_);
}

}  // namespace tovrak::platform
