// SPDX-License-Identifier: GPL-3.0-or-later
// Entry of the test programs with widgets: one application object for the whole program, on the
// offscreen platform unless another is chosen, destroyed before the process exits so that no
// Qt object outlives it.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  ::testing::InitGoogleTest(&argc, argv);
  const QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
