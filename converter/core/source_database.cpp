#include "source_database.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "helper_location.h"
#include "source_stream.h"

extern char** environ;

namespace conv {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPollStep = std::chrono::milliseconds(20);

// Resident bytes of a process, or 0 when unknown.
uint64_t ResidentBytes(pid_t pid) {
  std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
  uint64_t size = 0, resident = 0;
  if (!(statm >> size >> resident)) return 0;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// A pipe whose ends close on exec; the helper gets its own copies through
// dup2, which clears the flag.
struct Pipe {
  int fd[2] = {-1, -1};
  bool Make() { return pipe2(fd, O_CLOEXEC) == 0; }
  void Close(int i) {
    if (fd[i] >= 0) close(fd[i]);
    fd[i] = -1;
  }
  ~Pipe() {
    Close(0);
    Close(1);
  }
};

struct HelperRun {
  std::string output;
  std::string detail;  // empty on success
};

HelperRun RunHelper(const fs::path& helper, const fs::path& database, const SourceOpenOptions& options,
                    uint64_t outputCap) {
  HelperRun run;
  Pipe out, err;
  if (!out.Make() || !err.Make()) {
    run.detail = std::string("cannot make a pipe: ") + std::strerror(errno);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.fd[1], STDERR_FILENO);

  std::vector<std::string> args = {helper.string(), std::to_string(options.limits.memoryBytes),
                                   database.string()};
  args.insert(args.end(), options.tables.begin(), options.tables.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // libmdb reads its debug switches and its output encoding from the
  // environment; the stream must be UTF-8 and stay quiet whatever the user set.
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "MDBOPTS=", 8) != 0 && std::strncmp(*e, "MDBICONV=", 9) != 0) env.push_back(*e);
  }
  env.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  out.Close(1);
  err.Close(1);
  if (rc != 0) {
    run.detail = "cannot start " + helper.string() + ": " + std::strerror(rc);
    return run;
  }

  const auto deadline = Clock::now() + options.limits.time;
  uint64_t errBytes = 0;
  std::string killedFor;
  char buffer[65536];
  while (out.fd[0] >= 0 || err.fd[0] >= 0) {
    pollfd fds[2];
    nfds_t n = 0;
    if (out.fd[0] >= 0) fds[n++] = {out.fd[0], POLLIN, 0};
    if (err.fd[0] >= 0) fds[n++] = {err.fd[0], POLLIN, 0};
    const int ready = poll(fds, n, static_cast<int>(kPollStep.count()));
    if (ready < 0 && errno != EINTR) {
      killedFor = "poll failed";
      break;
    }
    for (nfds_t i = 0; i < n && ready > 0; ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const bool isOut = fds[i].fd == out.fd[0];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got <= 0) {
        if (got < 0 && errno == EINTR) continue;
        isOut ? out.Close(0) : err.Close(0);
        continue;
      }
      if (isOut) {
        if (run.output.size() + static_cast<size_t>(got) > outputCap)
          killedFor = "its output exceeded the cap";
        else
          run.output.append(buffer, static_cast<size_t>(got));
      } else {
        errBytes += static_cast<uint64_t>(got);  // read and dropped: nothing reaches the terminal
        if (errBytes > options.limits.errorOutputBytes) killedFor = "its error output exceeded the cap";
      }
    }
    if (killedFor.empty() && Clock::now() > deadline) killedFor = "the time limit was reached";
    if (killedFor.empty() && ResidentBytes(pid) > options.limits.memoryBytes)
      killedFor = "the memory limit was reached";
    if (!killedFor.empty()) break;
  }
  if (!killedFor.empty()) kill(pid, SIGKILL);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!killedFor.empty()) {
    run.detail = "the reader was stopped: " + killedFor;
  } else if (WIFSIGNALED(status)) {
    run.detail = "the reader ended by signal " + std::to_string(WTERMSIG(status));
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    run.detail = "the reader failed with exit code " + std::to_string(WEXITSTATUS(status));
  }
  return run;
}

// The first bytes of every Jet and ACE file: 00 01 00 00 "Standard Jet DB".
bool LooksLikeAccessFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[19] = {};
  if (!in.read(head, sizeof head)) return false;
  static const char kJet[] = "\x00\x01\x00\x00Standard Jet DB";
  static const char kAce[] = "\x00\x01\x00\x00Standard ACE DB";
  return std::memcmp(head, kJet, 19) == 0 || std::memcmp(head, kAce, 19) == 0;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string DamagedDatabaseMessage(const fs::path& path) {
  return "The database file \"" + path.string() + "\" is damaged or is not an Access database.";
}

bool SourceDatabase::Fail(const std::string& message, const std::string& detail) {
  Close();
  errorMessage_ = message;
  failureDetail_ = detail;
  return false;
}

void SourceDatabase::Close() {
  open_ = false;
  jetVersion_ = 0;
  tables_.clear();
}

bool SourceDatabase::Open(const fs::path& path, const SourceOpenOptions& options) {
  Close();
  path_ = path;
  errorMessage_.clear();
  failureDetail_.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st))
    return Fail("The database file \"" + path.string() + "\" does not exist.", "no such file");
  if (fs::is_directory(st))
    return Fail("\"" + path.string() + "\" is a folder, not a database file.", "a folder");
  const uint64_t size = fs::file_size(path, ec);
  if (ec) return Fail(DamagedDatabaseMessage(path), "the size cannot be read");
  if (!LooksLikeAccessFile(path)) return Fail(DamagedDatabaseMessage(path), "no Access file header");

  const fs::path helper = options.helper.empty() ? FindReaderHelper() : options.helper;
  if (helper.empty())
    return Fail("The database reader ankrum3-mdbread is missing; reinstall the converter.", "no helper");
  const uint64_t cap = options.limits.outputBytes != 0 ? options.limits.outputBytes : size * 64 + (16u << 20);
  HelperRun run = RunHelper(helper, path, options, cap);
  if (!run.detail.empty()) return Fail(DamagedDatabaseMessage(path), run.detail);

  ParsedSource parsed;
  std::string error;
  if (!ParseSourceStream(run.output, options.codePage, parsed, error))
    return Fail(DamagedDatabaseMessage(path), error);

  // A page holds at most 255 rows, so more rows than that per page of the
  // file can only come from a damaged file read wrongly.
  const uint64_t pageSize = parsed.jetVersion == 0 ? 2048 : 4096;
  const uint64_t maxRows = (size / pageSize + 1) * 255;
  uint64_t rows = 0;
  for (const SourceTable& t : parsed.tables) rows += t.rowCount();
  if (rows > maxRows)
    return Fail(DamagedDatabaseMessage(path),
                std::to_string(rows) + " rows cannot fit in " + std::to_string(size) + " bytes");
  tables_ = std::move(parsed.tables);
  jetVersion_ = parsed.jetVersion + 3;
  open_ = true;
  return true;
}

const SourceTable* SourceDatabase::FindTable(std::string_view name) const {
  for (const SourceTable& t : tables_) {
    if (SameNameIgnoringCase(t.name(), name)) return &t;
  }
  return nullptr;
}

}  // namespace conv
