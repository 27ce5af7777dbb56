#include "tests/support/scoped_variable.h"

#include <cstdlib>

namespace adreca::testing {

ScopedVariable::ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
}

ScopedVariable::~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

}  // namespace adreca::testing
