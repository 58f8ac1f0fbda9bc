#include "support/error_text.h"

namespace tandrel {

std::string ErrorText(std::exception_ptr error) {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  if (message.empty() || message.back() != '.') message += '.';
  return message;
}

}  // namespace tandrel
