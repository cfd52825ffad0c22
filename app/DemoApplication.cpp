#include "app/DemoApplication.h"

#include "platform/Exceptions.h"

#include <QMessageBox>

TDemoApplication::TDemoApplication(int& AArgc, char** AArgv) : QApplication(AArgc, AArgv) {}

TDemoApplication::~TDemoApplication() = default;

bool TDemoApplication::notify(QObject* AReceiver, QEvent* AEvent)
{
  try {
    return QApplication::notify(AReceiver, AEvent);
  } catch (const std::exception& E) {
    ShowException(E);
    return true;
  }
}

QString TDemoApplication::MessageOf(const std::exception& AError)
{
  if (const auto* E = dynamic_cast<const Exception*>(&AError))
    return QString::fromStdString(E->Message());
  return QString::fromLocal8Bit(AError.what());
}

void TDemoApplication::ShowException(const std::exception& AError)
{
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), MessageOf(AError));
}
