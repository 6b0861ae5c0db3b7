// Texts in files that come from Windows are Windows-1252 bytes; inside Korvel texts are UTF-8.
// The five bytes the code page leaves undefined map to the control characters of the same
// number, so every byte sequence survives the way there and back.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

std::string Windows1252ToUtf8(std::string_view bytes);
// Characters the code page cannot hold, and broken UTF-8, become "?".
std::string Utf8ToWindows1252(std::string_view text);

}  // namespace korvel
