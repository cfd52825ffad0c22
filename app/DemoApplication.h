//===- app/DemoApplication.h - The application object -----------*- C++ -*-===//
///
/// \file
/// `TDemoApplication`, the demo's application object: the message loop and
/// the default handler for exceptions. An exception that ends an event
/// handler (a Run that cannot load the decomposition bridge, say) is shown to
/// the user in a message box with its message, and the program goes on.
///
/// Qt's widget libraries are built without exception support: an exception
/// that unwinds through them skips their clean-ups. Our event handlers are
/// therefore entered through `HandleEvents`, which stops an exception before
/// it reaches Qt's frames; `notify` catches whatever still gets out of an
/// event, as the last resort.
///
/// \code
///   connect(Button1, &QPushButton::clicked, this,
///           [this] { TDemoApplication::HandleEvents([this] { Button1Click(Button1); }); });
/// \endcode
///
/// Thread safety: GUI thread only.
///
//===----------------------------------------------------------------------===//
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <utility>

class TDemoApplication : public QApplication
{
public:
  /// AArgc and AArgv must outlive the application (QApplication keeps them).
  TDemoApplication(int& AArgc, char** AArgv);
  ~TDemoApplication() override;

  /// Delivers the event; an Exception or std::exception that escapes it is
  /// shown (ShowException) and the event counts as handled.
  bool notify(QObject* AReceiver, QEvent* AEvent) override;

  /// Runs AHandler; an Exception or std::exception it raises is shown
  /// (ShowException) and goes no further. Other exceptions pass.
  template <class F>
  static void HandleEvents(F&& AHandler)
  {
    try {
      std::forward<F>(AHandler)();
    } catch (const std::exception& E) {
      ShowException(E);
    }
  }

  /// The message of AError (Exception's message, what() otherwise).
  static QString MessageOf(const std::exception& AError);
  /// Shows AError's message in a modal message box over the active window,
  /// titled with the application's name, and waits until the user closes it.
  /// Works with any QApplication.
  static void ShowException(const std::exception& AError);
};
