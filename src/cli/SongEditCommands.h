// korvel-cli song-edit: the song editor's operations applied to an arrangement file.
#pragma once

#include <string>
#include <vector>

namespace korvel {

// Applies `operations` (words as typed) in order and saves to `out`; a refused or malformed
// operation prints its message and nothing is written. Returns the exit code.
int SongEdit(const std::string& file, const std::vector<std::string>& operations,
             const std::string& out);

}  // namespace korvel
