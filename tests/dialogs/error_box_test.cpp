// The standard error box's text for every kind of escaping error, and the
// guard that shows the error and lets the caller go on.

#include "dialogs/error_box.h"

#include <QTest>
#include <functional>
#include <stdexcept>
#include <system_error>

#include "dialogs/prompts.h"
#include "dialogs/qt_prompter.h"

using tandrel::ui::Prompts;

Q_DECLARE_METATYPE(std::function<void()>)

class ErrorBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Prompts::UseScript(); }

  void text_data() {
    QTest::addColumn<std::function<void()>>("raise");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop added") << std::function<void()>([] { throw std::runtime_error("Disk gone"); })
                                     << "Disk gone.";
    QTest::newRow("full stop kept") << std::function<void()>([] { throw std::runtime_error("Disk full."); })
                                    << "Disk full.";
    QTest::newRow("stop inside only")
        << std::function<void()>([] { throw std::runtime_error("a.b c"); }) << "a.b c.";
    QTest::newRow("empty message") << std::function<void()>([] { throw std::runtime_error(""); }) << ".";
    QTest::newRow("system error") << std::function<void()>([] {
      throw std::system_error(std::make_error_code(std::errc::permission_denied), "Unable to write to /x");
    }) << "Unable to write to /x: Permission denied.";
    QTest::newRow("control bytes of a name")
        << std::function<void()>([] { throw std::runtime_error("Cannot open file \"a\nb\x1b[2J\""); })
        << "Cannot open file \"a?b?[2J\".";
    QTest::newRow("not a std::exception") << std::function<void()>([] { throw 42; }) << "Unknown error.";
  }

  void text() {
    QFETCH(std::function<void()>, raise);
    QFETCH(QString, shown);
    try {
      raise();
      QFAIL("nothing thrown");
    } catch (...) {
      QCOMPARE(tandrel::ui::ErrorBoxText(std::current_exception()), shown);
    }
    // The window logic's guard shows exactly that text and swallows the error.
    tandrel::ui::QtPrompter prompter(nullptr);
    tandrel::ui::Guarded(prompter, raise);
    QCOMPARE(Prompts::Errors(), std::vector<QString>{shown});
  }
};

QTEST_MAIN(ErrorBoxTest)
#include "error_box_test.moc"
