#include "support/error_text.h"

#include <utility>

#include "support/text_lines.h"

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
  // Messages carry paths; the text is written to standard error as well.
  return SafeLineText(std::move(message));
}

}  // namespace tandrel
