#include "app/error_report.h"

#include <exception>
#include <new>
#include <string>

#include "core/error.h"
#include "core/text.h"

namespace adreca::app {

std::optional<RaisedError> Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return RaisedError{error.number(), error.description()};
  } catch (const std::bad_alloc&) {
    return RaisedError{error_number::kOutOfMemory, u"Out of memory"};
  } catch (const std::exception& other) {
    return RaisedError{error_number::kInternalError, FromUtf8(other.what())};
  }
  return std::nullopt;
}

std::u16string ErrorReportText(const RaisedError& error) {
  return u"Run-time error '" + FromAscii(std::to_string(error.number)) + u"':\n\n" + error.description;
}

}  // namespace adreca::app
