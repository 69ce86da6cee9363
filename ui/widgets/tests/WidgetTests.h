// Registry of the Qt Test classes of ui/widgets: each test file registers its
// class with WIDGET_TEST, and the shared main runs them all in one process.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

std::vector<std::function<QObject*()>>& WidgetTestRegistry();

#define WIDGET_TEST(Class)                                                            \
  namespace {                                                                         \
  const bool k##Class##Registered =                                                   \
      (WidgetTestRegistry().push_back([]() -> QObject* { return new Class; }), true); \
  }
