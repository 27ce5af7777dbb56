#include "app/error_report.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <new>
#include <string>

#include "app/printable_text.h"
#include "core/error.h"
#include "core/text.h"
#include "platform/environment.h"
#include "platform/win32_errors.h"
#include "probes/probes.h"

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

std::u16string ErrorHint(const Way& way, const RaisedError& error) {
  constexpr std::int32_t kHinted[] = {error_number::kBadFileNameOrNumber, error_number::kFileNotFound,
                                      error_number::kPathFileAccess, platform::kErrorProcessAborted,
                                      platform::kErrorTimeout};
  if (!way.uses_interpreter ||
      std::find(std::begin(kHinted), std::end(kHinted), error.number) == std::end(kHinted)) {
    return {};
  }
  return u"Check the temporary folder " + TempDir + u" and the command interpreter " +
         platform::GetEnvironmentVariable(u"COMSPEC") + u".";
}

std::u16string ErrorReportText(const RaisedError& error, std::u16string_view hint) {
  std::u16string text = u"Run-time error '" + FromAscii(std::to_string(error.number)) + u"':\n\n" +
                        EscapeControls(error.description);
  if (!hint.empty()) {
    text += u'\n';
    text += EscapeControls(hint);
  }
  return text;
}

}  // namespace adreca::app
