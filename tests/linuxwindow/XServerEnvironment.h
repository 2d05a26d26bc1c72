#pragma once
// One private X server for a whole test program: started before its first test, stopped
// after its last. Include once per program. The editors opened there read and write
// their size preference in a folder of the program's own, empty at the start, never
// the user's.
#include "XServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class XServerEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    char dir[] = "/tmp/corvanel-x-prefs-XXXXXX";
    if (mkdtemp(dir)) {
      mPrefs = dir;
      setenv("CORVANEL_CONFIG_DIR", dir, 1);
    }
    Server() = new XServer();
  }
  void TearDown() override {
    delete Server();
    Server() = nullptr;
    if (!mPrefs.empty()) std::system(("rm -rf '" + mPrefs + "'").c_str());
  }
  // The running server, null outside the program's tests.
  static XServer*& Server() {
    static XServer* server = nullptr;
    return server;
  }

private:
  std::string mPrefs;
};

namespace {
const auto* const kXServerEnvironment =
    ::testing::AddGlobalTestEnvironment(new XServerEnvironment());
XServer*& gServer = XServerEnvironment::Server();
} // namespace
