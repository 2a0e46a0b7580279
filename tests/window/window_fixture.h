// A test process's engine: one offscreen window and context (SDL's offscreen driver), with the
// runtime log kept in a temporary folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/test_support.h"
#include "window/engine.h"

namespace vantrel::test {

class WindowEnvironment {
 public:
  // Creates the engine once per process; null when no window can be made here.
  static OpenGLVerivure* engineWithWindow(int width = 64, int height = 48, int multisample = 0) {
    WindowEnvironment& environment = instance();
    if (!environment.tried_) {
      environment.tried_ = true;
      setenv("TMPDIR", environment.logFolder_.path().c_str(), 1);
      auto* created = new OpenGLVerivure();
      setEngine(created);
      if (createGlWindow(created, nullptr, width, height, 0, 60, multisample)) {
        setMainWindow(created->window);
        environment.ready_ = true;
      }
    }
    return environment.ready_ ? engine() : nullptr;
  }
  static const TemporaryFolder& logFolder() { return instance().logFolder_; }

 private:
  static WindowEnvironment& instance() {
    static WindowEnvironment environment;
    return environment;
  }
  TemporaryFolder logFolder_;
  bool tried_ = false;
  bool ready_ = false;
};

}  // namespace vantrel::test

#define REQUIRE_WINDOW(name, ...)                                            \
  OpenGLVerivure* name = ::vantrel::test::WindowEnvironment::engineWithWindow(__VA_ARGS__); \
  if (!name) GTEST_SKIP() << "no OpenGL window can be made on this machine"
