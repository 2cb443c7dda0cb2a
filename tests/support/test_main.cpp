// Entry point of the core test binaries: a QGuiApplication (fonts, painting, images) on the
// offscreen platform, with the fresh-home harness.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "support/harness.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qlt::test::InstallHarness();
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
