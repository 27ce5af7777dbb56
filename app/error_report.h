#pragma once

// The error report of every front end: what an action raised, with its number
// and description, and the text the window shows for it. Unlike a plain
// run-time error report it leaves the program running, so that one failing way
// of finding the address does not close the window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/ways.h"

namespace adreca::app {

struct RaisedError {
  std::int32_t number;
  std::u16string description;
};

// Runs an action and answers the error it raised, if any: a run-time error
// as it is, running out of memory as error 7, any other failure as error 51.
std::optional<RaisedError> Guarded(const std::function<void()>& action);

// What to check after an error of `way`: for a way that runs the command
// interpreter and fails with a file error (52, 53, 75) or the interpreter's
// own (1067, 1460), the temporary folder and the interpreter that were used;
// empty otherwise.
std::u16string ErrorHint(const Way& way, const RaisedError& error);

// "Run-time error '6':", an empty line, the description, and on a line of its
// own the hint, if any.
std::u16string ErrorReportText(const RaisedError& error, std::u16string_view hint = {});

}  // namespace adreca::app
