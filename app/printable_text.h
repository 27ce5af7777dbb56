#pragma once

// Text as it may reach a terminal, a clipboard or a dialog. Adapter names and
// descriptions, error descriptions and the folders they name come from the
// machine and may hold anything.

#include <string>
#include <string_view>

namespace adreca::app {

// Every control character (C0, DEL, C1) written out as "\x1B" (C0 and DEL)
// or "\u009B" (C1), so that a name or a path can neither move a terminal's
// cursor, set its title or hide what follows, nor start a line of its own.
// Everything else stays as it is.
std::u16string EscapeControls(std::u16string_view text);

}  // namespace adreca::app
