// Guions and the acceptance test on arbitrary UTF-16 text (two input bytes to
// a code unit, low byte first). Guions must give the six pieces of up to two
// characters joined by exactly five hyphens, at most 17 characters, nothing
// checked or converted; the acceptance test must order exactly as a
// code-unit comparison with twelve zeros does.

#include <cstddef>
#include <cstdint>
#include <string>

#include "address/address.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace adreca;
  using namespace adreca::fuzz;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }

  const std::u16string display = Guions(text);
  std::u16string pieces;
  std::u16string expected;
  for (std::size_t start = 0; start < 12; start += 2) {
    const std::u16string piece = start < text.size() ? text.substr(start, 2) : std::u16string();
    if (start > 0) expected += u'-';
    expected += piece;
    pieces += piece;
  }
  Require(display == expected, "Guions gave " + Show(display) + " for " + Show(text));
  Require(display.size() <= 17, "Guions longer than 17 characters");
  Require(display.size() == pieces.size() + 5, "Guions added other than five hyphens");
  Require(pieces == text.substr(0, 12), "Guions changed the first twelve characters");

  const bool accepted = IsAccepted(text);
  Require(accepted == (text > std::u16string(u"000000000000")), "acceptance differs from the comparison");
  if (text.size() >= 12 && text.substr(0, 12) == u"000000000000") {
    Require(accepted == (text.size() > 12), "twelve zeros and more must be accepted, twelve alone not");
  }
  if (!text.empty() && text[0] < u'0') Require(!accepted, "a text starting below 0 was accepted");
  return 0;
}
