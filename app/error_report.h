#pragma once

// The error report of every front end: what an action raised, with its number
// and description, and the text the window shows for it. Unlike a plain
// run-time error report it leaves the program running, so that one failing way
// of finding the address does not close the window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace adreca::app {

struct RaisedError {
  std::int32_t number;
  std::u16string description;
};

// Runs an action and answers the error it raised, if any: a run-time error
// as it is, running out of memory as error 7, any other failure as error 51.
std::optional<RaisedError> Guarded(const std::function<void()>& action);

// "Run-time error '6':", an empty line, then the description.
std::u16string ErrorReportText(const RaisedError& error);

}  // namespace adreca::app
