#include "core/text.h"

#include <cstdint>

namespace adreca {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

// Decodes one UTF-8 sequence at text[i]; advances i past what it consumed.
// An ill-formed sequence gives the replacement character.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<std::uint8_t>(text[i]) & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (static_cast<std::uint8_t>(text[i++]) & 0x3F);
  }
  const bool surrogate = c >= 0xD800 && c < 0xE000;
  return (c < minimum || c > 0x10FFFF || surrogate) ? kReplacement : c;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, (IsHigh(u) || IsLow(u)) ? kReplacement : char32_t{u});
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf16(out, DecodeUtf8(text, i));
  return out;
}

std::u16string FromUtf8Escaped(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const char32_t c = DecodeUtf8(text, i);
    // A well-formed U+FFFD is three bytes long; anything else that decodes to
    // it was ill-formed, and its first byte alone is escaped.
    if (c == kReplacement && text.substr(start, 3) != "\xEF\xBF\xBD") {
      i = start + 1;
      out += static_cast<char16_t>(0xDC00 + static_cast<std::uint8_t>(text[start]));
    } else {
      AppendUtf16(out, c);
    }
  }
  return out;
}

bool IsWellFormed(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLow(text[i])) return false;
    if (IsHigh(text[i]) && (++i == text.size() || !IsLow(text[i]))) return false;
  }
  return true;
}

std::u16string FromAscii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace adreca
