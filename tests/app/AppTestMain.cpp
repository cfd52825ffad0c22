// main of the demo's test programs: the application object of the demo on
// Qt's off-screen platform, so that no test needs a display.
#include "app/DemoApplication.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtGlobal>

int main(int argc, char** argv)
{
  ::testing::InitGoogleMock(&argc, argv);
  // CTest lists the tests before it runs them, with none of their
  // environment: no application then.
  if (GTEST_FLAG_GET(list_tests))
    return RUN_ALL_TESTS();
  // CTest sets the platform; a run by hand gets the same.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  TDemoApplication Application(argc, argv);
  Application.setApplicationName(QStringLiteral("ZRNaiveBayesDemo"));
  return RUN_ALL_TESTS();
}
