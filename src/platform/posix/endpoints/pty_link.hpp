// The symbolic link through which a client finds a pseudo-terminal
// (/tmp/radio -> /dev/pts/7), with the one rule every tovrak follows for it:
//
//   - The program that made the link owns it while it runs. It holds the
//     name "tovrak-pty-link:<the link's absolute path>" in the abstract
//     socket namespace: a lock the kernel lets go of when the program ends,
//     however it ends (kill -9 too), that leaves no file behind, and that
//     tells whoever asks which process holds it.
//   - A link a running program owns is never taken: the claim is refused,
//     naming that process.
//   - A link nobody owns that leads to a pseudo-terminal (/dev/pts/N, gone or
//     since given to another terminal) or to nothing was left by a program
//     that ended without removing it: it is replaced.
//   - Anything else at the path (a file, a directory, a link to any other
//     device or file) is never replaced.
//   - On exit the link is removed only if it still leads to the owner's own
//     terminal.
#pragma once

#include <memory>
#include <string>

#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {

class PtyLink {
 public:
  // Makes `path` a link to `device`. Throws std::runtime_error saying why
  // not (the owner's process, what is there, what the system said).
  PtyLink(PosixApartment& apt, std::string path, const std::string& device);
  ~PtyLink();
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;

  const std::string& path() const { return path_; }

  // The lock's name for `path` (relative paths and "." or ".." in the
  // directory name the same link as its absolute path does).
  static std::string lock_name(const std::string& path);

 private:
  std::string path_;
  std::string device_;
  int lock_ = -1;
  std::unique_ptr<DescriptorWatch> watch_;
};

}  // namespace tovrak::platform
