#include "app/application.h"

#include "dialogs/error_box.h"

namespace tandrel {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ui::ShowException(std::current_exception());
    return false;
  }
}

}  // namespace tandrel
