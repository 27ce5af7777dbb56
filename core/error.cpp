#include "core/error.h"

#include <string>

#include "core/text.h"

namespace adreca {

Error::Error(std::int32_t number, std::u16string description)
    : std::runtime_error("run-time error " + std::to_string(number) + ": " + ToUtf8(description)),
      number_(number),
      description_(std::move(description)) {}

void RaiseOverflow() { throw Error(error_number::kOverflow, u"Overflow"); }

void RaiseSubscriptOutOfRange() {
  throw Error(error_number::kSubscriptOutOfRange, u"Subscript out of range");
}

void RaiseFileNotFound(std::u16string_view path) {
  throw Error(error_number::kFileNotFound, u"File not found: " + std::u16string(path));
}

void RaiseInvalidUseOfNull() { throw Error(error_number::kInvalidUseOfNull, u"Invalid use of Null"); }

void RaisePlatformError(std::int32_t code, std::u16string_view what) {
  throw Error(code, std::u16string(what));
}

}  // namespace adreca
