// Entry point of the widget tests: a QApplication on the offscreen platform, with the fresh-home
// harness and the client's media backend.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/harness.h"
#include "ui/media_backend.h"

int main(int argc, char** argv) {
  MediaBackend::Choose();
  ::testing::InitGoogleTest(&argc, argv);
  qlt::test::InstallHarness();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
