#pragma once

#include <array>
#include <string>

namespace adreca::app {

using Probe = std::u16string (*)();

// What a row's status box shows after its probe: the fixed "n/a", or the
// decimal text of ApiStatus as the probe left it.
enum class StatusRule { kNotApplicable, kApiStatus };

struct Row {
  int number;
  Probe probe;
  StatusRule status;
};

// Binds each row to its probe and status rule, rows 1 to 5.
const std::array<Row, 5>& Rows();

// The two boxes of a row, as the window's toolkit shows them.
class RowBoxes {
 public:
  virtual ~RowBoxes() = default;
  virtual void SetAddressText(const std::u16string& text) = 0;
  virtual void SetStatusText(const std::u16string& text) = 0;
};

// One button action: run the probe, show its result through Guions in the
// address box, then the status. Returns the probe's compact result, for the
// front end to name the adapter that has it. An error raised on the way
// propagates to the caller; the boxes not reached keep their text.
std::u16string RunAction(const Row& row, RowBoxes& boxes);

// The text that the status box gets under a rule.
std::u16string StatusText(StatusRule rule);

// The load step: records the temporary folder in TempDir.
void LoadStep();

}  // namespace adreca::app
