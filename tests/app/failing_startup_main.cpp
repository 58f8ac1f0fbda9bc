// The program with one start-up step that fails once the main object exists
// (on either road: with the windows, or unattended without a display), so
// that a test can watch a start-up error from outside.

#include <stdexcept>

#include "app/startup.h"

int main(int argc, char** argv) {
  return tandrel::RunProgram(argc, argv, [](tandrel::StartUpOptions& options) {
    options.created = [] { throw std::runtime_error("Start-up step failed"); };
  });
}
