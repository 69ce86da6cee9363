// Shared main of the widget tests: a private home and pinned time zone and
// locale (as every test program has), the offscreen platform, and one fixed
// font, so that measured widths do not depend on the machine.
#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "core/AdvFactories.h"
#include "testing/TestEnvironment.h"
#include "ui/widgets/ZuzColumns.h"
#include "ui/widgets/ZuzLook.h"
#include "ui/widgets/tests/WidgetTests.h"

std::vector<std::function<QObject*()>>& WidgetTestRegistry() {
  static std::vector<std::function<QObject*()>> registry;
  return registry;
}

int main(int argc, char** argv) {
  vexatest::IsolateEnvironment();
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int failures = 0;
  {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    TZuzLook look;
    look.FontName = "DejaVu Sans";
    look.FontSize = 9;
    SetZuzLook(look);
    RegisterCoreClasses();
    RegisterWidgetClasses();
    for (const auto& make : WidgetTestRegistry()) {
      std::unique_ptr<QObject> test(make());
      failures += QTest::qExec(test.get(), argc, argv);
    }
  }
  vexatest::RemoveIsolatedHome();
  return failures == 0 ? 0 : 1;
}
