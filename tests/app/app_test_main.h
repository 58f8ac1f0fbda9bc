#pragma once
// main() of a Qt Test executable of the application shell: the program's own
// application object, so that errors escaping handlers reach the error box.

#include <QTest>

#include "app/application.h"

#define TANDREL_APP_TEST_MAIN(TestClass)          \
  int main(int argc, char** argv) {               \
    tandrel::Application application(argc, argv); \
    TestClass test;                               \
    return QTest::qExec(&test, argc, argv);       \
  }
