// The reference of the one-shot benchmark: the least a program can do to
// read the radio once. It opens the port, makes it raw, writes one query
// and reads until the answer's ";".
//
//   tovrak_bare_client PATH QUERY     (QUERY with its ";", e.g. "FA;")
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0) return 1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  if (write(fd, argv[2], std::strlen(argv[2])) < 0) return 1;
  char c = 0;
  while (read(fd, &c, 1) == 1) {
    if (c == ';') return 0;
  }
  return 1;
}
