#include "address/address.h"

#include <cstddef>

namespace adreca {

namespace {
constexpr std::u16string_view kTwelveZeros = u"000000000000";
constexpr std::size_t kPieces = 6;
constexpr std::size_t kPieceLength = 2;
}  // namespace

bool IsAccepted(std::u16string_view candidate) { return candidate > kTwelveZeros; }

std::u16string Guions(const std::u16string& compact) {
  std::u16string display;
  display.reserve(kPieces * kPieceLength + kPieces - 1);
  for (std::size_t piece = 0; piece < kPieces; ++piece) {
    if (piece > 0) display += u'-';
    const std::size_t start = piece * kPieceLength;
    if (start < compact.size()) display.append(compact, start, kPieceLength);
  }
  return display;
}

}  // namespace adreca
