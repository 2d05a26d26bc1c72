#pragma once
// One private X server for a whole test program: started before its first test, stopped
// after its last. Include once per program.
#include "XServer.h"

#include <gtest/gtest.h>

class XServerEnvironment : public ::testing::Environment {
public:
  void SetUp() override { Server() = new XServer(); }
  void TearDown() override {
    delete Server();
    Server() = nullptr;
  }
  // The running server, null outside the program's tests.
  static XServer*& Server() {
    static XServer* server = nullptr;
    return server;
  }
};

namespace {
const auto* const kXServerEnvironment =
    ::testing::AddGlobalTestEnvironment(new XServerEnvironment());
XServer*& gServer = XServerEnvironment::Server();
} // namespace
