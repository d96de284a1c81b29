// Text-picture transforms for tests.
#include "support/picture.h"

namespace txr::test {

Picture magnify(const Picture& picture, int scaleH, int scaleV) {
    Picture out;
    for (const auto& row : picture) {
        std::string wide;
        for (char dot : row) wide.append(static_cast<std::size_t>(scaleH), dot);
        for (int i = 0; i < scaleV; ++i) out.push_back(wide);
    }
    return out;
}

Picture turnClockwise(const Picture& picture, int quarterTurns) {
    Picture current = picture;
    for (int turn = 0; turn < quarterTurns; ++turn) {
        const std::size_t height = current.size();
        const std::size_t width = height == 0 ? 0 : current[0].size();
        Picture turned(width, std::string(height, '.'));
        for (std::size_t y = 0; y < height; ++y) {
            for (std::size_t x = 0; x < width; ++x) turned[x][height - 1 - y] = current[y][x];
        }
        current = turned;
    }
    return current;
}

Picture reverseVideo(const Picture& picture) {
    Picture out = picture;
    for (auto& row : out) {
        for (char& dot : row) dot = dot == '#' ? '.' : '#';
    }
    return out;
}

Picture placed(const Picture& picture, int x, int y, int width, int height, char fieldDot) {
    Picture field(static_cast<std::size_t>(height),
                  std::string(static_cast<std::size_t>(width), fieldDot));
    for (std::size_t r = 0; r < picture.size(); ++r) {
        for (std::size_t c = 0; c < picture[r].size(); ++c) {
            const long fx = x + static_cast<long>(c);
            const long fy = y + static_cast<long>(r);
            if (fx >= 0 && fy >= 0 && fx < width && fy < height) {
                field[static_cast<std::size_t>(fy)][static_cast<std::size_t>(fx)] = picture[r][c];
            }
        }
    }
    return field;
}

std::string joined(const Picture& picture) {
    std::string out;
    for (const auto& row : picture) out += row + "\n";
    return out;
}

}  // namespace txr::test
