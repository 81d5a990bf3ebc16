#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The time text of a progress line: the characters after the first "time="
// up to the one character before the first "bitrate=". Empty when the chunk
// lacks either mark or "bitrate=" does not stand far enough behind "time=".
std::string ParseProgressChunk(std::string_view chunk);

enum class ProgressKind {
  None,        // not a progress chunk: it lacks "size=" or "time="
  Unreadable,  // a progress chunk whose time does not read: skipped
  Progress,
};

struct ProgressReading {
  ProgressKind kind = ProgressKind::None;
  std::optional<int> gauge;  // 0..100; none when the total is not above 0
  std::string label;         // "Process hh:mm:ss.ff ......"
};

// What one chunk means for the progress dialog, given the total in seconds.
ProgressReading ReadProgress(std::string_view chunk, double totalSeconds);

// Whether `marker` occurs in `window` other than inside one of `names`. The
// client repeats the file names it was given ("from '...'", "to '...'"), and
// a name may hold an error marker. The window may begin or end in the middle
// of a name: an occurrence counts as inside when the text around it agrees
// with the name as far as the window reaches.
bool ContainsOutsideNames(std::string_view window, std::string_view marker,
                          const std::vector<std::string>& names);

}  // namespace velmora
