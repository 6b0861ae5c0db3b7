#include "app/StyleBrowser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace korvel {

namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Iterative glob with one back-track point: linear in practice, never recursive.
bool MatchesMask(const std::string& name, const std::string& mask) {
  size_t n = 0;
  size_t m = 0;
  size_t starMask = std::string::npos;
  size_t starName = 0;
  while (n < name.size()) {
    // A "*" in the mask is a wildcard even where the name holds a "*".
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || Lower(mask[m]) == Lower(name[n]))) {
      ++n;
      ++m;
    } else if (starMask != std::string::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

template <typename Keep>
std::vector<std::string> Names(const std::string& folder, Keep keep) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (keep(*it)) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

const std::vector<std::string>& StylePatternItems() {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> list = {
        "*",         "*12beat*",    "*16beat*", "*8beat*", "*50*",      "*60*",       "*ballad*",
        "*bigband*", "*bluegrass*", "*blues*",  "*bossa*", "*beat*",    "*chacha*",   "*combo*",
        "*country*", "*dance*",     "*disco*",  "*dixie*", "*enka*",    "*euro*",     "*ele*",
        "*fox*",     "*funk*",      "*fusion*", "*gipsy*", "*gospel*",  "*house*",    "*jazz*",
        "*jz*",      "*latin*",     "*lat*",    "*limbo*", "*mambo*",   "*march*",    "*mazurka*",
        "*mereng*",  "*muset*",     "*piano*",  "*polka*", "*pop*",     "*r&roll*",   "*rroll*",
        "*reggae*",  "*rock*",      "*rumba*",  "*samba*", "*shuffle*", "*softrock*", "*swing*",
        "*tango*",   "*techno*",    "*train*",  "*twist*", "*waltz*",   "*"};
    for (int digit = 1; digit <= 9; ++digit) {
      std::string joined;
      for (char letter = 'a'; letter <= 'z'; ++letter) {
        if (!joined.empty()) joined += ";";
        joined += std::string("*") + letter + std::to_string(digit) + "-*";
      }
      list.push_back(joined);
    }
    for (int number = 10; number <= 20; ++number)
      list.push_back("*" + std::to_string(number) + "-*");
    return list;
  }();
  return items;
}

std::string StylePattern(const std::string& typed) {
  if (!typed.empty() && typed.back() == '*') return typed;
  return typed + "*";
}

bool IsStyleFileName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(), Lower);
  return extension == ".kvs";
}

bool MatchesStylePattern(const std::string& name, const std::string& pattern) {
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t end = pattern.find(';', start);
    if (end == std::string::npos) end = pattern.size();
    if (end > start && MatchesMask(name, pattern.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

std::vector<std::string> ListStyleFiles(const std::string& folder, const std::string& pattern) {
  return Names(folder, [&](const std::filesystem::directory_entry& entry) {
    std::error_code error;
    const std::string name = entry.path().filename().string();
    return entry.is_regular_file(error) && IsStyleFileName(name) &&
           MatchesStylePattern(name, pattern);
  });
}

std::vector<std::string> ListFolders(const std::string& folder) {
  return Names(folder, [](const std::filesystem::directory_entry& entry) {
    std::error_code error;
    return entry.is_directory(error);
  });
}

std::string BrowserStartFolder(const std::string& styleFolder, const std::string& programDir) {
  std::error_code error;
  if (!styleFolder.empty() && std::filesystem::is_directory(styleFolder, error)) return styleFolder;
  return programDir;
}

}  // namespace korvel
