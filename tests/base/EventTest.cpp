#include "base/Event.h"

#include <gtest/gtest.h>

namespace {
struct Form : TObject {
  int clicks = 0;
  int last = 0;
  void Click(TObject*) { ++clicks; }
  void Other(TObject*) {}
  void Avail(TObject*, int n) { last = n; }
};
int freeCalls = 0;
void FreeHandler(TObject*) { ++freeCalls; }
}  // namespace

TEST(Event, BindingsCompareByObjectAndHandler) {
  Form a, b;
  auto ac = TNotifyEvent::Bind<&Form::Click>(&a);
  EXPECT_EQ(ac, TNotifyEvent::Bind<&Form::Click>(&a));
  EXPECT_FALSE(ac == TNotifyEvent::Bind<&Form::Click>(&b));
  EXPECT_FALSE(ac == TNotifyEvent::Bind<&Form::Other>(&a));
  EXPECT_FALSE(ac == TNotifyEvent(&FreeHandler));
  EXPECT_EQ(TNotifyEvent(), TNotifyEvent(nullptr));
  EXPECT_FALSE(static_cast<bool>(TNotifyEvent()));
}

TEST(Event, CallsTheBoundHandlerWithItsArguments) {
  Form f;
  TNotifyEvent::Bind<&Form::Click>(&f)(&f);
  EXPECT_EQ(f.clicks, 1);
  TEvent<void(TObject*, int)>::Bind<&Form::Avail>(&f)(&f, 42);
  EXPECT_EQ(f.last, 42);
  TNotifyEvent free(&FreeHandler);
  free(nullptr);
  EXPECT_EQ(freeCalls, 1);
}
