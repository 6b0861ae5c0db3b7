#include "app/FileNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace korvel {

namespace {

bool SameNameNoCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && SameNameNoCase(text.substr(text.size() - end.size()), end);
}

std::string UpperFileName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

std::string StoredFileName(const std::string& stored) {
  std::string name = stored.substr(stored.find_last_of("/\\") + 1);
  if (name.size() >= 2 && name[1] == ':') name.erase(0, 2);
  return name;
}

std::optional<std::string> FindFileByName(const std::string& stored, const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!stored.empty() && stored.front() == '/' && fs::is_regular_file(stored, ec)) return stored;
  const std::string name = StoredFileName(stored);
  if (name.empty()) return std::nullopt;
  std::optional<std::string> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (!SameNameNoCase(candidate, name) || !it->is_regular_file(ec)) continue;
    if (candidate == name) return it->path().string();
    if (!found || it->path().string() < *found) found = it->path().string();
  }
  return found;
}

}  // namespace korvel
