#include "core/files/files_test_util.h"

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>
#include <fstream>
#include <sstream>

namespace filestest {

StrPtr S(const std::string& text) {
  return StrPtr(StrCreate(text.data(), static_cast<int32_t>(text.size())));
}

std::string Text(const Str* s) {
  return s ? std::string(s->text, static_cast<size_t>(s->length)) : std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

namespace {

constexpr int kSetupFailed = 77;

// Forks; the child runs setup (exit kSetupFailed when it fails), then body,
// and sends body's values through a pipe.
bool RunChild(const std::function<bool()>& setup, const std::function<std::vector<int32_t>()>& body,
              std::vector<int32_t>* results, std::string* why, const char* setupWhat) {
  int fds[2];
  if (::pipe(fds) != 0) {
    *why = "no pipe";
    return false;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (!setup()) ::_exit(kSetupFailed);
    const std::vector<int32_t> values = body();
    const ssize_t n = ::write(fds[1], values.data(), values.size() * sizeof(int32_t));
    ::_exit(n == static_cast<ssize_t>(values.size() * sizeof(int32_t)) ? 0 : 1);
  }
  ::close(fds[1]);
  results->clear();
  int32_t v;
  while (::read(fds[0], &v, sizeof v) == static_cast<ssize_t>(sizeof v)) results->push_back(v);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kSetupFailed) {
    *why = setupWhat;
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *why = "the child process failed";
    return false;
  }
  return true;
}

}  // namespace

bool RunUnprivileged(const std::function<std::vector<int32_t>()>& body, std::vector<int32_t>* results,
                     std::string* why) {
  auto drop = [] {
    if (::geteuid() != 0) return true;
    const gid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && ::geteuid() != 0;
  };
  return RunChild(drop, body, results, why, "cannot drop to an unprivileged user");
}

bool RunOnTinyDisk(const std::string& folder, int sizeKiB, const std::function<std::vector<int32_t>()>& body,
                   std::vector<int32_t>* results, std::string* why) {
  auto mountTiny = [&] {
    if (::unshare(CLONE_NEWNS) != 0) return false;
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    const std::string options = "size=" + std::to_string(sizeKiB) + "k";
    return ::mount("none", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
  };
  return RunChild(mountTiny, body, results, why, "cannot mount a private tmpfs (needs a mount namespace)");
}

}  // namespace filestest
