#pragma once
// A private X server for the window tests: Xvfb on a display number it picks itself
// (-displayfd), DISPLAY pointed at it, stopped and reaped at the end. Programs the tests
// run against it (xdotool) are bounded by a timeout and killed past it.
#include <string>
#include <vector>

#include <sys/types.h>

class XServer {
public:
  // [test thread] Starts the server and waits at most 10 s for it; check IsRunning().
  // With CORVANEL_WINDOW_TESTS_DISPLAY set, uses that display instead (to watch).
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool IsRunning() const { return !mDisplay.empty(); }
  const std::string& Display() const { return mDisplay; }

private:
  pid_t mPid = -1;
  std::string mDisplay;
};

// [test thread] Runs a program (searched on PATH) and waits at most timeoutMs for it;
// its exit status, or -1 when it could not start or had to be killed.
int RunProgram(const std::vector<std::string>& argv, int timeoutMs = 5000);
