#pragma once

#include <string>

namespace velmora {

// A path names an existing file; a folder does not count.
bool IsExistingFile(const std::string& path);

// Two paths name the same file: equal texts, or (both existing) the same
// device and inode, so "../dir/clip.mp4" or a link to the source is caught.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace velmora
