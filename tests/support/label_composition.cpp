// Labels composed from GetBmpFile files, dot by dot, as the reference for txr::Label.
#include "support/label_composition.h"

#include "support/ctxr_calls.h"

namespace txr::test {

namespace {

void setDot(std::vector<std::string>& grid, long long x, long long y, char dot) {
    const auto width = static_cast<long long>(grid[0].size());
    if (x < 0 || y < 0 || x >= width || y >= static_cast<long long>(grid.size())) return;
    grid[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = dot;
}

}  // namespace

std::string composedLabel(int width, int height, int dpi, const std::vector<LabelBox>& boxes,
                          const std::vector<LabelField>& fields, const std::string& fontDirectory,
                          const std::string& workDirectory) {
    std::vector<std::string> grid(static_cast<std::size_t>(height),
                                  std::string(static_cast<std::size_t>(width), '.'));
    for (const LabelBox& box : boxes) {
        const long long t = box.thickness;  // 0: the whole box is ink
        for (long long y = 0; y < box.height; ++y) {
            for (long long x = 0; x < box.width; ++x) {
                if (t == 0 || x < t || y < t || x >= box.width - t || y >= box.height - t)
                    setDot(grid, box.x + x, box.y + y, '#');
            }
        }
    }
    for (const LabelField& field : fields) {
        CTXR ctxr;
        ctxr.SetPath(fontDirectory.c_str());
        if (ctxr.SetFont(field.family, field.font, field.scaleH, field.scaleV, field.rotation,
                         dpi) != 0) {
            continue;
        }
        ctxr.SetInvert(field.invert ? 1 : 0);
        ctxr.engineB->charSet = field.charSet;
        const BmpPicture file =
            exportedBy(ctxr, CString(field.text.data(), static_cast<int>(field.text.size())),
                       workDirectory + "field.bmp");
        long long x = 0, y = 0;
        for (const char dot : file.ascii) {
            if (dot == '\n') {
                ++y;
                x = 0;
                continue;
            }
            if (dot == '#' || field.placement == Placement::whole) {
                setDot(grid, field.x + x, field.y + y, dot);
            }
            ++x;
        }
    }
    std::string ascii;
    for (const std::string& row : grid) ascii += row + '\n';
    return ascii;
}

}  // namespace txr::test
