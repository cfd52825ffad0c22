// The application's default handler: an exception that ends an event handler
// is shown in a message box with its message, and the program goes on.
#include "app/DemoApplication.h"

#include "AppFixtures.h"
#include "classifier/QDFilterTypes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include <stdexcept>

using namespace AppFixtures;

namespace {

TEST(TDemoApplication, IsTheApplication)
{
  EXPECT_NE(dynamic_cast<TDemoApplication*>(QCoreApplication::instance()), nullptr);
}

TEST(TDemoApplication, HandleEventsShowsTheMessageOfWhatTheHandlerRaises)
{
  TMessageBoxCatcher Catcher;
  TDemoApplication::HandleEvents([] { throw EQDDLLLoadError("Can't load libJXOpenCV2.so"); });
  TDemoApplication::HandleEvents([] { throw std::runtime_error("plain runtime error"); });
  ASSERT_EQ(Catcher.Seen().size(), 2u);
  EXPECT_EQ(Catcher.Seen()[0].Text, "Can't load libJXOpenCV2.so");
  EXPECT_EQ(Catcher.Seen()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(Catcher.Seen()[0].Title, QCoreApplication::applicationName());
  EXPECT_EQ(Catcher.Seen()[1].Text, "plain runtime error");
}

TEST(TDemoApplication, HandleEventsShowsNothingWhenTheHandlerSucceeds)
{
  TMessageBoxCatcher Catcher;
  int Calls = 0;
  TDemoApplication::HandleEvents([&] { ++Calls; });
  EXPECT_EQ(Calls, 1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Catcher.Seen().empty());
}

TEST(TDemoApplication, HandleEventsLetsForeignExceptionsPass)
{
  TMessageBoxCatcher Catcher;
  EXPECT_THROW(TDemoApplication::HandleEvents([] { throw 42; }), int);
  EXPECT_TRUE(Catcher.Seen().empty());
}

class TThrowingObject : public QObject
{
public:
  int Events = 0;

protected:
  bool event(QEvent* AEvent) override
  {
    if (AEvent->type() != QEvent::User)
      return QObject::event(AEvent);
    if (++Events == 1)
      throw Exception("the first event fails");
    return true;
  }
};

// The last resort: what escapes an event's delivery is shown, and the next
// event is delivered as usual.
TEST(TDemoApplication, NotifyShowsWhatEscapesAnEventAndGoesOn)
{
  TMessageBoxCatcher Catcher;
  TThrowingObject Object;
  QEvent First(QEvent::User), Second(QEvent::User);
  EXPECT_TRUE(QCoreApplication::sendEvent(&Object, &First));
  EXPECT_TRUE(QCoreApplication::sendEvent(&Object, &Second));
  EXPECT_EQ(Object.Events, 2);
  ASSERT_EQ(Catcher.Seen().size(), 1u);
  EXPECT_EQ(Catcher.Seen()[0].Text, "the first event fails");
}

} // namespace
