// The I/O floor of an export to a new file: reads both inputs with read(2)
// and writes as many bytes as the export wrote, through a temporary file and
// a rename, without waiting for the disk, as binoxa-cli writes a new file.
// No pixel work at all.
//   export-floor LEFT RIGHT OUT BYTES
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<char> buffer(1 << 20);

bool readAll(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
  }
  ::close(fd);
  return n == 0;
}

bool writeBytes(const std::string& path, std::size_t bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes;) {
    const ssize_t n = ::write(fd, buffer.data(), std::min(buffer.size(), bytes - done));
    ok = n > 0;
    done += static_cast<std::size_t>(std::max<ssize_t>(n, 0));
  }
  ok = ::close(fd) == 0 && ok;
  return ok && ::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: export-floor LEFT RIGHT OUT BYTES\n");
    return 2;
  }
  if (!readAll(argv[1]) || !readAll(argv[2]) || !writeBytes(argv[3], std::strtoull(argv[4], nullptr, 10))) {
    std::perror("export-floor");
    return 1;
  }
  return 0;
}
