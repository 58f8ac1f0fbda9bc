#pragma once
// The application object: every event handler runs inside its guard, which
// sends an escaping error to the standard error box.

#include <QApplication>

namespace tandrel {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);

  // Every event handler runs inside this; an error escaping one is shown and
  // the loop that dispatched the event goes on.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tandrel
