// binoxa-scenario FILE...: runs scripts of steps against the real main
// window on the headless back end.
#include <linux/capability.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "tools/scenario/script.h"

namespace {

// Scripts check what happens in read-only folders; run as root, the process
// would write through them. Giving up the override keeps the outcome the same
// for every user.
void dropPermissionOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return;
  for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
    data[cap / 32].effective &= ~(1u << (cap % 32));
  syscall(SYS_capset, &header, data);
}

std::optional<std::string> makeTemporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/binoxa-scenario-XXXXXX";
  if (!mkdtemp(pattern.data())) return std::nullopt;
  std::error_code ec;
  // The canonical form, so $DIR matches the current directory as the program sees it.
  auto canonical = std::filesystem::canonical(pattern, ec);
  return ec ? pattern : canonical.string();
}

// A script may leave read-only folders behind; they must not keep it from going.
void removeTree(const std::string& dir) {
  std::error_code ec;
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ec);
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(dir, ec);
}

void runFile(const std::string& file, Tally& tally) {
  std::ifstream in(file);
  if (!in) {
    ++tally.failed;
    std::cout << file << ": cannot read the script\n";
    return;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);

  const auto dir = makeTemporaryDirectory();
  std::error_code ec;
  const auto home = std::filesystem::current_path(ec);
  if (!dir || chdir(dir->c_str()) != 0) {
    ++tally.failed;
    std::cout << file << ": cannot make a temporary directory\n";
    return;
  }
  const int failedBefore = tally.failed;
  {
    Script script(file, *dir, tally);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int line = static_cast<int>(i + 1);
      auto tokens = tokenizeLine(lines[i], *dir);
      if (!tokens)
        script.syntaxError(line, tokens.error().message);
      else if (!tokens->empty())
        script.step(line, *tokens);
    }
    script.finish();
  }
  std::filesystem::current_path(home, ec);
  if (tally.failed == failedBefore)
    removeTree(*dir);
  else
    std::cout << file << ": its files are kept in " << *dir << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: binoxa-scenario FILE...\n";
    return 2;
  }
  dropPermissionOverride();
  Tally tally;
  for (int i = 1; i < argc; ++i) runFile(argv[i], tally);
  std::cout << tally.passed << " passed, " << tally.failed << " failed\n";
  return tally.failed > 0 ? 1 : 0;
}
