// Folders and programs of the checkout and the build the tests read. Only SourcePaths.cpp holds
// their absolute paths, so the other test files compile the same in any clone.
#pragma once

#include <string>

namespace korvel::test {

// data/ of the checkout: the style and song sources, help pages and instrument lists.
std::string SourceDataDir();
// data/ of the build, what ships: the compiled styles (STYLES) and songs (SONGS), the help pages
// and instrument lists. Read it; a test that saves works on a copy.
std::string ShippedDataDir();
// tests/data/ of the checkout: MIDI files of the MIT-licensed collection named in its folder.
std::string TestDataDir();
// The built korvel-cli.
std::string CliProgram();

}  // namespace korvel::test
