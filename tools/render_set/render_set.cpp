// Writes the drawings that scripts/windows-check.sh compares between the Linux and the Windows
// build: GetBmpFile for every font, orientation and video sense of the bundled font set, a few
// magnified, and for the first font of each family FontOut onto a canvas and the engine's dot
// previews (as binary PPM files).
// Usage: txr_render_set FONT_DIR/ OUT_DIR/   (both with their trailing separator)
#include <cstdio>
#include <string>
#include <vector>

#include "txr/TXR.h"

namespace {

struct FontSet {
    int family;
    int resolution;
    int lastFontNumber;
};

// Every font number each engine could accept; SetFont refuses the ones a family lacks.
constexpr FontSet kFontSets[] = {{0, 203, 24}, {0, 300, 15}, {1, 203, 4}, {1, 300, 4}, {2, 203, 8}};

struct Variant {
    int scaleH;
    int scaleV;
    int rotation;
    int invert;
};

std::vector<Variant> variants() {
    std::vector<Variant> all;
    for (int rotation = 0; rotation < 4; ++rotation) {
        for (int invert = 0; invert < 2; ++invert) all.push_back({1, 1, rotation, invert});
    }
    all.push_back({2, 3, 0, 0});
    all.push_back({3, 1, 1, 1});
    return all;
}

// Every byte a font may hold a glyph for, from the space up, without DEL.
std::string sampleText() {
    std::string text;
    for (int code = 32; code < 256; ++code) {
        if (code != 127) text += static_cast<char>(code);
    }
    return text;
}

std::string baseName(int family, int resolution, int fontNumber, const Variant& v) {
    char name[80];
    std::snprintf(name, sizeof name, "f%d_%d_font%02d_s%dx%d_r%d_i%d", family, resolution,
                  fontNumber, v.scaleH, v.scaleV, v.rotation, v.invert);
    return name;
}

bool writePpm(const std::string& path, txr::Canvas& canvas) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", canvas.width(), canvas.height());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const COLORREF colour = canvas.pixel(x, y);
            const unsigned char rgb[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
            std::fwrite(rgb, 1, sizeof rgb, file);
        }
    }
    return std::fclose(file) == 0;
}

// FontOut 3 dots right and 2 down on a grey canvas 6 dots larger than the drawing.
bool drawOnCanvas(CTXR& txr, const std::string& text, const std::string& path) {
    const CSize size = txr.GetStringSize(CString(text.data(), static_cast<int>(text.size())));
    txr::Canvas canvas(size.cx + 6, size.cy + 6, RGB(160, 160, 160));
    txr.FontOut(canvas.dc(), 3, 2, CString(text.data(), static_cast<int>(text.size())));
    return writePpm(path, canvas);
}

// Every dot-preview member of the family's engine for one glyph, drawn onto one white canvas.
bool drawPreviews(CTXR& txr, int family, int code, const std::string& path) {
    txr::Canvas canvas(640, 640);
    CDC* dc = canvas.dc();
    if (family == 0) {
        txr.engineA->SetCharCode(code);
        txr.engineA->TXRA();
        for (auto draw : {&CGeneraterA::Draw16Bit, &CGeneraterA::Draw32Bit, &CGeneraterA::Draw48Bit,
                          &CGeneraterA::Draw64Bit, &CGeneraterA::Draw128Bit}) {
            (txr.engineA->*draw)(dc);
        }
    } else if (family == 1) {
        txr.engineB->SetcharCode(code);
        txr.engineB->TXRB();
        for (auto draw :
             {&CGeneraterB::Draw16Bit, &CGeneraterB::Draw32Bit, &CGeneraterB::Draw64Bit}) {
            (txr.engineB->*draw)(dc);
        }
    } else {
        txr.engineZ->SetCharCode(code);
        txr.engineZ->TXRZ();
        for (auto draw : {&CGeneraterZ::Draw8Bit, &CGeneraterZ::Draw16Bit, &CGeneraterZ::Draw24Bit,
                          &CGeneraterZ::Draw32Bit, &CGeneraterZ::Draw40Bit}) {
            (txr.engineZ->*draw)(dc);
        }
    }
    return writePpm(path, canvas);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FONT_DIR/ OUT_DIR/\n", argv[0]);
        return 2;
    }
    const std::string fontDir = argv[1];
    const std::string outDir = argv[2];
    const std::string text = sampleText();
    const CString textArg(text.data(), static_cast<int>(text.size()));
    int written = 0;
    for (const FontSet& set : kFontSets) {
        for (int fontNumber = 0; fontNumber <= set.lastFontNumber; ++fontNumber) {
            for (const Variant& v : variants()) {
                CTXR txr;
                txr.SetPath(fontDir.c_str());
                if (txr.SetFont(set.family, fontNumber, v.scaleH, v.scaleV, v.rotation,
                                set.resolution) != 0) {
                    break;
                }
                txr.SetInvert(v.invert);
                const std::string name = baseName(set.family, set.resolution, fontNumber, v);
                try {
                    txr.GetBmpFile((outDir + name + ".bmp").c_str(), textArg);
                    ++written;
                    if (fontNumber == 0 && v.scaleH == 1 && v.rotation < 2) {
                        if (!drawOnCanvas(txr, text, outDir + name + ".ppm")) return 1;
                        ++written;
                    }
                    if (fontNumber == 0 && v.scaleH == 1 && v.rotation == 0) {
                        for (int code : {'A', 'g'}) {
                            const std::string preview = name + "_preview" + std::to_string(code);
                            if (!drawPreviews(txr, set.family, code, outDir + preview + ".ppm")) {
                                return 1;
                            }
                            ++written;
                        }
                    }
                } catch (CFileException* error) {
                    char message[256];
                    error->GetErrorMessage(message, sizeof message);
                    std::fprintf(stderr, "%s\n", message);
                    error->Delete();
                    return 1;
                }
            }
        }
    }
    std::printf("%d drawings written\n", written);
    return written > 0 ? 0 : 1;
}
