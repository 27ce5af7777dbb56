#pragma once

#include <optional>
#include <string>

namespace adreca::testing {

// Sets or unsets an environment variable for one scope, then restores it.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace adreca::testing
