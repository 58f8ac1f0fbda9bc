// The program with one start-up step that fails after the windows are
// created, so that a test can watch a start-up error from outside.

#include <stdexcept>

#include "app/startup.h"

int main(int argc, char** argv) {
  return tandrel::RunProgram(argc, argv, [](tandrel::StartUpOptions& options) {
    options.windowsCreated = [](tandrel::Windows&) { throw std::runtime_error("Window creation failed"); };
  });
}
