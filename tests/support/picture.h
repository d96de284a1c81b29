// Pictures as text ('#' ink, '.' paper, top row first) and the library's transforms, redone here.
#pragma once

#include <string>
#include <vector>

namespace txr::test {

using Picture = std::vector<std::string>;

Picture magnify(const Picture& picture, int scaleH, int scaleV);
Picture turnClockwise(const Picture& picture, int quarterTurns);
Picture reverseVideo(const Picture& picture);
// The picture placed at (x, y) on a width x height field of `fieldDot` (paper by default).
Picture placed(const Picture& picture, int x, int y, int width, int height, char fieldDot = '.');
std::string joined(const Picture& picture);  // rows each followed by '\n'

}  // namespace txr::test
