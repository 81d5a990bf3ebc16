// The save dialog's type list for any source path: well-formed pairs of
// description and pattern, the source's own type first, no type twice.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "client/VideoTypes.h"
#include "conversion/SaveFilter.h"

namespace {

// The extension as the save dialog's caller sees it: from the last "." after
// the last "/", dot included.
std::string Extension(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos && slash > dot) return {};
  return std::string(path.substr(dot));
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(reinterpret_cast<const char*>(data), size);
  const velmora::SaveFilter result = velmora::BuildSaveFilter(path);
  const std::string& filter = result.filter;

  CHECK(!filter.empty() && filter.back() == '|', "filter does not end in '|': '%s'",
        filter.c_str());
  std::vector<std::string> fields;
  for (std::size_t from = 0; from < filter.size();) {
    const std::size_t bar = filter.find('|', from);
    fields.emplace_back(filter, from, bar - from);
    from = bar + 1;
  }
  CHECK(fields.size() % 2 == 0, "%zu fields in '%s'", fields.size(), filter.c_str());
  const std::size_t entries = fields.size() / 2;
  CHECK(entries >= 14 && entries <= 15, "%zu entries in '%s'", entries, filter.c_str());

  std::set<std::string> seen;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::string& description = fields[2 * i];
    const std::string& pattern = fields[2 * i + 1];
    CHECK(!description.empty() && description[0] == '*', "entry %zu: description '%s'", i,
          description.c_str());
    CHECK(Upper(pattern) == description, "entry %zu: pattern '%s' for '%s'", i, pattern.c_str(),
          description.c_str());
    CHECK(seen.insert(description).second, "'%s' listed twice in '%s'", description.c_str(),
          filter.c_str());
  }

  const std::string ext = Extension(path);
  CHECK(result.defaultExt == (ext.empty() ? std::string() : ext.substr(1)),
        "default extension '%s' for extension '%s'", result.defaultExt.c_str(), ext.c_str());
  // The first entry stands for the source's own type; a "|" in the extension
  // cannot be written in a field and stands as "?", the pattern for any one
  // character.
  std::string own = ext;
  for (char& c : own)
    if (c == '|') c = '?';
  CHECK(fields[0] == "*" + Upper(own), "first entry '%s' for extension '%s'", fields[0].c_str(),
        ext.c_str());
  // A source of a listed type has it first and not again: fourteen entries.
  const std::string ownType = Upper(result.defaultExt);
  bool listed = false;
  for (std::string_view rest = velmora::VideoTypeList; !rest.empty();) {
    const std::size_t end = rest.find(';');
    listed = listed || rest.substr(2, end - 2) == ownType;
    rest.remove_prefix(end + 1);
  }
  CHECK(listed == (entries == 14), "%zu entries for the type '%s'", entries, ownType.c_str());
  return 0;
}
