// ZRNaiveBayesDemo: the Naive Bayes demo program. Without arguments it shows
// the main window and runs the message loop until the window is closed; with
// --output or --screenshot it performs one Run without a visible window,
// writes a PNG and exits (DemoOptions.h).
#include "app/DemoApplication.h"
#include "app/DemoOptions.h"
#include "app/DemoRandom.h"
#include "app/Unit1.h"

#include <QFileInfo>
#include <QPixmap>
#include <QtGlobal>

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* ProgramName = "ZRNaiveBayesDemo";

enum : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

bool HaveDisplay()
{
  return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::string Absolute(const std::string& AFile)
{
  return QFileInfo(QString::fromStdString(AFile)).absoluteFilePath().toStdString();
}

int Fail(const std::string& AMessage)
{
  std::cerr << ProgramName << ": " << AMessage << "\n";
  return ExitFailed;
}

/// One Run in a form that is never shown on a screen; writes what was asked.
int RunBatch(const TDemoOptions& AOptions)
{
  TForm1 Form;
  if (!AOptions.ScreenshotFile.empty()) {
    // Shown on the off-screen platform, so that grab() sees the laid-out,
    // polished window as a user would.
    Form.show();
    QApplication::processEvents();
  }
  try {
    Form.Button1Click(&Form);
  } catch (const std::exception& E) {
    return Fail("the run failed: " + TDemoApplication::MessageOf(E).toStdString());
  }
  QApplication::processEvents(); // the repaint that follows a Run
  if (!AOptions.OutputFile.empty()) {
    if (!Form.Image1->Bitmap().save(QString::fromStdString(AOptions.OutputFile), "PNG"))
      return Fail("cannot write " + Absolute(AOptions.OutputFile));
    std::cout << ProgramName << ": wrote the " << TForm1::PictureSize << " x " << TForm1::PictureSize
              << " decision map to " << Absolute(AOptions.OutputFile) << "\n";
  }
  if (!AOptions.ScreenshotFile.empty()) {
    const QPixmap Shot = Form.grab();
    if (!Shot.save(QString::fromStdString(AOptions.ScreenshotFile), "PNG"))
      return Fail("cannot write " + Absolute(AOptions.ScreenshotFile));
    std::cout << ProgramName << ": wrote a " << Shot.width() << " x " << Shot.height()
              << " image of the window to " << Absolute(AOptions.ScreenshotFile) << "\n";
  }
  return ExitOk;
}

} // namespace

int main(int argc, char** argv)
{
  TDemoOptions Options;
  try {
    Options = ParseDemoOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EDemoUsage& E) {
    std::cerr << ProgramName << ": " << E.Message() << "\nTry '" << ProgramName << " --help'.\n";
    return ExitUsage;
  }
  if (Options.Help) {
    std::cout << DemoUsage();
    return ExitOk;
  }

  // Seeded once, before anything draws.
  if (Options.Seed)
    SetRandSeed(*Options.Seed);
  else
    Randomize();

  if (Options.Batch()) {
    // No window appears, so no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
  } else if (!HaveDisplay()) {
    std::cerr << ProgramName << ": no display (DISPLAY and WAYLAND_DISPLAY are not set).\n"
              << "To render the decision map without one: " << ProgramName << " --output FILE.png\n";
    return ExitFailed;
  }

  // Our arguments are parsed; Qt gets none of them.
  int QtArgc = 1;
  char* QtArgv[] = {argv[0], nullptr};
  TDemoApplication Application(QtArgc, QtArgv);
  Application.setApplicationName(QString::fromLatin1(ProgramName));

  if (Options.Batch())
    return RunBatch(Options);

  TForm1 Form1;
  Form1.show();
  return Application.exec();
}
