// Animated GIFs of the three fields for the documentation: each field played
// once around a click on a desktop-like picture, from the frames and tables
// the program builds, at the program's step timing. Host tool code (giflib).
#pragma once

#include <string>
#include <vector>

#include "storage/playback_core.h"
#include "tools/compose.h"
#include "tools/memory_frames.h"

namespace wzrv {

// A desktop-like picture: a gradient, a column of icons, two windows and a
// task bar (also the demo's backdrop under the program).
RgbPicture DesktopPicture(int width, int height);

// One picture of the movie and how long it stays, in hundredths of a second.
struct MovieFrame {
  RgbPicture picture;
  int centis = 0;
};

// The frames and tables a first start builds (generator state 1, every frame
// drawn), kept in memory.
class FieldTablesInMemory {
 public:
  FieldTablesInMemory();
  const PatternSets& Sets() const { return sets_; }
  const MemoryFrames& Frames() const { return frames_; }

 private:
  PatternSets sets_;
  MemoryFrames frames_;
};

// Field `anipattern` (0 hexagon, 1 octagon, 2 mini) clicked at (x, y) of
// `background`, drawn in `color` (0xRRGGBB), with the wait and entries per
// step of a click: the background for `holdBefore` hundredths, the steps,
// the background again for `holdAfter`. A step lasts the program's wait (20 or
// 10 ms). GIF viewers show a frame of less than 2 hundredths for 10, so where
// a step is shorter, every `stride`-th step is shown for stride steps' time:
// the movie keeps the animation's real length and shows its state at the
// moments it shows.
std::vector<MovieFrame> FieldMovie(const FieldTablesInMemory& tables, int anipattern,
                                   const RgbPicture& background, int x, int y, std::uint32_t color,
                                   int holdBefore, int holdAfter);

// The rectangle (relative to the click) that every field's save rectangle
// lies in.
SaveRect AllFieldsRect(const FieldTablesInMemory& tables);

// Writes `movie` as a looping GIF89a. All pictures must be of one size and
// hold at most 255 colours together. False with `error` set otherwise or when
// the file cannot be written.
bool WriteGif(const std::string& path, const std::vector<MovieFrame>& movie, std::string* error);

// Reads a GIF back into full pictures (each frame composed over the previous
// one as the file's disposal and transparency say), with their delays. For
// the tests; false with `error` set when giflib cannot read the file.
bool ReadGif(const std::string& path, std::vector<MovieFrame>* movie, int* loops, std::string* error);

}  // namespace wzrv
