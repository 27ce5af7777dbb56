#pragma once

#include <string>
#include <string_view>

namespace adreca {

// The rule every probe stops by: a candidate compact address is accepted when
// it compares greater than twelve zeros, code unit by code unit, a proper
// prefix ordering first.
bool IsAccepted(std::u16string_view candidate);

// The display address: the pieces of up to two characters at 1-based
// positions 1, 3, 5, 7, 9 and 11, joined by hyphens. No character is checked.
std::u16string Guions(const std::u16string& compact);

}  // namespace adreca
