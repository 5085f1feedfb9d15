// GoogleTest entry point with a Qt application object, so tests can run event loops.
#include "base/Timing.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  CTiming::InitFromEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
