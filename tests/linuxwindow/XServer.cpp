#include "XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {
long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Waits at most timeoutMs for the child; its exit status, or -1 after killing it.
int WaitBounded(pid_t pid, int timeoutMs) {
  const long long deadline = NowMs() + timeoutMs;
  int status = 0;
  while (true) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0) return -1;
    if (NowMs() >= deadline) break;
    usleep(2000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

pid_t Spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t* actions) {
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}
} // namespace

XServer::XServer() {
  const char* watch = std::getenv("CORVANEL_WINDOW_TESTS_DISPLAY");
  if (watch && *watch) {
    mDisplay = watch;
    setenv("DISPLAY", watch, 1);
    return;
  }
  int fds[2];
  if (pipe(fds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  mPid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1600x900x24",
                "-nolisten", "tcp", "-noreset"},
               &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string number;
  const long long deadline = NowMs() + 10000;
  while (mPid > 0 && NowMs() < deadline) {
    pollfd p = {fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c;
    if (read(fds[0], &c, 1) != 1) break;
    if (c == '\n') {
      mDisplay = ":" + number;
      break;
    }
    number += c;
  }
  close(fds[0]);
  if (!mDisplay.empty()) setenv("DISPLAY", mDisplay.c_str(), 1);
}

XServer::~XServer() {
  if (mPid <= 0) return;
  kill(mPid, SIGTERM);
  if (WaitBounded(mPid, 3000) == -1) return; // killed and reaped there
}

int RunProgram(const std::vector<std::string>& argv, int timeoutMs) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const pid_t pid = Spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  if (pid <= 0) return -1;
  return WaitBounded(pid, timeoutMs);
}
