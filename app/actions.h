#pragma once

#include <string>

#include "app/ways.h"

namespace adreca::app {

// The two boxes of a row, as the window's toolkit shows them.
class RowBoxes {
 public:
  virtual ~RowBoxes() = default;
  virtual void SetAddressText(const std::u16string& text) = 0;
  virtual void SetStatusText(const std::u16string& text) = 0;
};

// One button action: run the way's probe, show its result through Guions in
// the address box, then the status. Returns the probe's compact result, for
// the front end to name the adapter that has it. An error raised on the way
// propagates to the caller; the boxes not reached keep their text.
std::u16string RunAction(const Way& way, RowBoxes& boxes);

// The text that the status box gets under a rule.
std::u16string StatusText(StatusRule rule);

// The load step: records the temporary folder in TempDir.
void LoadStep();

}  // namespace adreca::app
