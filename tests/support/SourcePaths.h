// Folders and programs of the checkout and the build the tests read. Only SourcePaths.cpp holds
// their absolute paths, so the other test files compile the same in any clone.
#pragma once

#include <string>

namespace korvel::test {

// data/ of the checkout: style and song sources, help pages, instrument lists.
std::string ShippedDataDir();
// tests/data/ of the checkout: MIDI files of the MIT-licensed collection named in its folder.
std::string TestDataDir();
// The built korvel-cli.
std::string CliProgram();

}  // namespace korvel::test
