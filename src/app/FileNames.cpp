#include "app/FileNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace korvel {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), text.end() - static_cast<ptrdiff_t>(end.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

std::optional<std::string> FindFileNoCase(const std::string& folder, const std::string& name) {
  std::error_code error;
  const std::filesystem::path exact = std::filesystem::path(folder) / name;
  if (std::filesystem::is_regular_file(exact, error)) return exact.string();
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string found = it->path().filename().string();
    if (found.size() == name.size() && EndsWithNoCase(found, name) && it->is_regular_file(error)) {
      return it->path().string();
    }
  }
  return std::nullopt;
}

std::string UpperFileName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

}  // namespace korvel
