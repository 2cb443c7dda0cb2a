// Entry point of the widget tests: a QApplication on the offscreen platform, with the fresh-home
// harness.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/harness.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qlt::test::InstallHarness();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
