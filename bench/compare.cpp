// Renders the same texts with the same glyphs three ways in one run and prints what each costs:
// the library; FreeType reading the BDF that the font kit dumps from the same font file (the face
// opened for every call, and kept open); the library with a txr::FontCache; and a floor that
// does only the unavoidable work (open the font file, read it, compose, write the BMP), timed
// with three ways of reading and taken at the fastest. It checks that all of them write the same
// dots and exits with 1 when they do not.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H

#include "common/big_endian.h"
#include "common/one_bit_rows.h"
#include "txr/family_one_catalogue.h"
#include "engine_b/code_tables.h"
#include "fontkit/bdf.h"
#include "fontkit/file_io.h"
#include "fontkit/font_builder.h"
#include "txr/TXR.h"

namespace {

namespace fk = txr::fontkit;

const std::string kFontDirectory = TXR_SOURCE_DIR "/fonts/";

// One font of about 20 dots per family at 203 dpi, and what the library adds to its cell height.
struct Family {
    const char* label;
    int family;
    int fontType;
    fk::FontFileKind kind;
    const char* fileName;
    int block;
    int heightCorrection;
    bool proportional;
};
const Family kFamilies[] = {
    {"A (family 0, font 11)", 0, 11, fk::FontFileKind::A, "A.bin", 10, 1, true},
    {"B (family 1, font 2)", 1, 2, fk::FontFileKind::B, "B.bin", 2, 0, false},
    {"Z (family 2, font 2)", 2, 2, fk::FontFileKind::Z, "Z.bin", 2, 0, true},
};

std::string sampleText(int length) {
    static const std::string kPangram = "The quick brown fox jumps over the lazy dog 0123456789! ";
    std::string text;
    for (int i = 0; i < length; ++i)
        text += kPangram[static_cast<std::size_t>(i) % kPangram.size()];
    return text;
}

// The drawing as ink rows, top row first, and the BMP file made of it.
class InkRows {
  public:
    void reset(int width, int height) {
        width_ = width;
        height_ = height;
        stride_ = txr::dibStride(width);
        rows_.assign(stride_ * static_cast<std::size_t>(height), 0);
    }

    // Copies a box of `width` x `rows` dots (ink rows of `pitch` bytes, MSB first) with its
    // top-left dot at (x, y), paper included, as a blit does; parts outside are clipped.
    void copyBox(int x, int y, const unsigned char* bits, std::size_t pitch, int width, int rows) {
        const int left = std::max(x, 0);
        const int right = std::min(x + width, width_);
        if (left >= right) return;
        for (int r = 0; r < rows; ++r) {
            if (y + r < 0 || y + r >= height_) continue;
            const unsigned char* from = bits + static_cast<std::size_t>(r) * pitch;
            unsigned char* to = rows_.data() + static_cast<std::size_t>(y + r) * stride_;
            for (int d = left / 8; d <= (right - 1) / 8; ++d) {
                const int sourceBit = d * 8 - x;  // source dot of the byte's first dot
                const unsigned char dots = eightDots(from, pitch, sourceBit);
                const int first = std::max(left - d * 8, 0);
                const int end = std::min(right - d * 8, 8);
                const auto mask =
                    static_cast<unsigned char>((0xFFu >> first) & (0xFFu << (8 - end)));
                to[d] = static_cast<unsigned char>((to[d] & ~mask) | (dots & mask));
            }
        }
    }

    // The one-bit BMP: rows bottom-up, paper a set bit, padding 0.
    const std::vector<std::uint8_t>& bmpFile() {
        file_.resize(txr::kOneBitBmpHeaderSize + rows_.size());
        txr::writeOneBitBmpHeader(file_.data(), width_, height_);
        const unsigned char lastMask = static_cast<unsigned char>(0xFFu << ((8 - width_ % 8) % 8));
        const std::size_t used = static_cast<std::size_t>(width_ + 7) / 8;
        for (int r = 0; r < height_; ++r) {
            const unsigned char* from = rows_.data() + static_cast<std::size_t>(r) * stride_;
            unsigned char* to = file_.data() + txr::kOneBitBmpHeaderSize +
                                static_cast<std::size_t>(height_ - 1 - r) * stride_;
            for (std::size_t i = 0; i < stride_; ++i) {
                to[i] = i < used ? static_cast<unsigned char>(~from[i]) : 0;
            }
            if (used > 0) to[used - 1] &= lastMask;
        }
        return file_;
    }

  private:
    static unsigned char eightDots(const unsigned char* row, std::size_t pitch, int bit) {
        auto byteAt = [&](int index) -> unsigned {
            return index >= 0 && static_cast<std::size_t>(index) < pitch ? row[index] : 0u;
        };
        if (bit < 0) return static_cast<unsigned char>(byteAt(0) >> -bit);
        const int index = bit / 8;
        const int shift = bit % 8;
        return static_cast<unsigned char>(((byteAt(index) << 8 | byteAt(index + 1)) << shift) >> 8);
    }

    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::vector<unsigned char> rows_;
    std::vector<std::uint8_t> file_;
};

void writeFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::cerr << "short write to " << path << "\n";
    }
    ::close(fd);
}

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size& other) const {
        return width == other.width && height == other.height;
    }
};

// ---- The floor: the font file read in the cheapest way, each glyph once per call ------------

// How the floor reads its font file: one pread per structure it needs (block headers, code
// table entry, glyph header, rows); one read of the whole file; or the whole file mapped.
enum class Reading { kPread, kWholeRead, kMmap };
const char* const kReadingNames[] = {"pread", "read", "mmap"};

class Floor {
  public:
    Floor(const Family& family, Reading reading) : family_(family), reading_(reading) {}

    [[gnu::noinline]] Size measure(const std::string& text) {
        Size size;
        if (open()) {
            size = measureOpen(text);
            close();
        }
        return size;
    }

    [[gnu::noinline]] void render(const std::string& text, const char* path) {
        if (!open()) return;
        const Size size = measureOpen(text);
        ink_.reset(size.width, size.height);
        int pen = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const Glyph& glyph = glyphOf(static_cast<unsigned char>(text[i]), true);
            if (!glyph.found) continue;
            const int x =
                family_.proportional ? pen + glyph.leftOffset : static_cast<int>(i) * cellWidth_;
            ink_.copyBox(x, baseline_ - glyph.ascent, glyph.rows.data(), glyph.rowBytes,
                         glyph.width, glyph.height);
            pen += glyph.advance;
        }
        close();
        writeFile(path, ink_.bmpFile());
    }

  private:
    struct Glyph {
        bool looked = false;
        bool withRows = false;
        bool found = false;
        int width = 0, height = 0, leftOffset = 0, ascent = 0, advance = 0;
        std::size_t rowBytes = 0;
        std::uint64_t rowsAt = 0;
        std::vector<unsigned char> rows;
    };

    bool readAt(std::uint64_t position, unsigned char* out, std::size_t count) {
        if (reading_ == Reading::kPread) {
            return ::pread(fd_, out, count, static_cast<off_t>(position)) ==
                   static_cast<ssize_t>(count);
        }
        if (position > fileSize_ || count > fileSize_ - position) return false;
        std::memcpy(out, file_ + position, count);
        return true;
    }

    // Opens the file (and reads or maps it whole) and reads where the block lies and its cell
    // metrics.
    bool open() {
        fd_ = ::open((kFontDirectory + family_.fileName).c_str(), O_RDONLY);
        if (fd_ < 0) return false;
        if (reading_ != Reading::kPread) {
            struct stat status {};
            if (::fstat(fd_, &status) != 0) return false;
            fileSize_ = static_cast<std::size_t>(status.st_size);
            if (reading_ == Reading::kWholeRead) {
                whole_.resize(fileSize_);
                if (::read(fd_, whole_.data(), fileSize_) != static_cast<ssize_t>(fileSize_)) {
                    return false;
                }
                file_ = whole_.data();
            } else {
                void* mapped = ::mmap(nullptr, fileSize_, PROT_READ, MAP_PRIVATE, fd_, 0);
                if (mapped == MAP_FAILED) return false;
                file_ = static_cast<const unsigned char*>(mapped);
            }
        }
        for (auto& glyph : glyphs_) glyph.looked = glyph.withRows = false;
        blockStart_ = 0;
        if (family_.family == 1) {
            const auto* record = txr::engine_b::catalogueRecord(203, family_.fontType);
            blockStart_ = record->fontOffset;
            cellWidth_ = record->cellWidth;
            cellHeight_ = record->cellHeight;
            baseline_ = 0;
            return true;
        }
        unsigned char head[60];
        const std::size_t sizeAt = family_.family == 0 ? 4 : 0;
        for (int block = 0; block < family_.block; ++block) {
            if (!readAt(blockStart_ + sizeAt, head, 4)) return false;
            blockStart_ += txr::ReadBE32(head);
        }
        if (family_.family == 0) {
            if (!readAt(blockStart_, head, 60)) return false;
            tableAt_ = blockStart_ + txr::ReadBE32(head + 8);
            firstCode_ = head[16];
            lastCode_ = head[17];
            cellWidth_ = txr::ReadBE16(head + 40);
            cellHeight_ = txr::ReadBE16(head + 42);
            baseline_ = cellHeight_ - txr::ReadBE16(head + 38);
        } else {
            if (!readAt(blockStart_ + 28, head, 6)) return false;
            tableAt_ = blockStart_ + 104;
            firstCode_ = 0;
            lastCode_ = 255;
            cellHeight_ = txr::ReadBE16(head);
            cellWidth_ = txr::ReadBE16(head + 2);
            baseline_ = txr::ReadBE16(head + 4);
        }
        return true;
    }

    Size measureOpen(const std::string& text) {
        Size size;
        if (family_.proportional) {
            for (char c : text) size.width += glyphOf(static_cast<unsigned char>(c), false).advance;
        } else {
            size.width = cellWidth_ * static_cast<int>(text.size());
        }
        size.height = cellHeight_ + family_.heightCorrection;
        return size;
    }

    const Glyph& glyphOf(int code, bool withRows) {
        Glyph& glyph = glyphs_[static_cast<std::size_t>(code)];
        if (!glyph.looked) {
            glyph.looked = true;
            glyph.found = false;
            if (family_.family == 1) {
                lookUpB(glyph, code);
            } else {
                lookUpAZ(glyph, code);
            }
        }
        if (withRows && glyph.found && !glyph.withRows) {
            glyph.withRows = true;
            glyph.rows.resize(glyph.rowBytes * static_cast<std::size_t>(glyph.height));
            if (!glyph.rows.empty() &&
                !readAt(glyph.rowsAt, glyph.rows.data(), glyph.rows.size())) {
                glyph.found = false;
            }
        }
        return glyph;
    }

    void lookUpB(Glyph& glyph, int code) {
        const std::uint16_t number = txr::engine_b::glyphNumberFor(203, family_.fontType, 0, code);
        if (number == txr::engine_b::kNoGlyph) return;
        const auto* record = txr::engine_b::catalogueRecord(203, family_.fontType);
        glyph.found = true;
        glyph.width = cellWidth_;
        glyph.height = cellHeight_;
        glyph.rowBytes = record->rowBytes;
        glyph.rowsAt = blockStart_ + std::uint64_t{number} * record->glyphSize();
    }

    void lookUpAZ(Glyph& glyph, int code) {
        if (code < firstCode_ || code > lastCode_) return;
        unsigned char entry[4];
        if (!readAt(tableAt_ + 4 * static_cast<std::uint64_t>(code - firstCode_), entry, 4)) return;
        const std::uint32_t offset = txr::ReadBE32(entry);
        if (offset == 0) return;
        unsigned char head[10];
        if (family_.family == 0) {
            if (!readAt(blockStart_ + offset, head, 8)) return;
            glyph.leftOffset = static_cast<signed char>(head[0]);
            glyph.ascent = static_cast<signed char>(head[1]);
            glyph.height = head[4];
            glyph.width = head[5];
            glyph.advance = txr::ReadBE16(head + 6);
            glyph.rowBytes = (static_cast<std::size_t>(glyph.width) + 15) / 16 * 2;
            glyph.rowsAt = blockStart_ + offset + head[2];
        } else {
            if (!readAt(blockStart_ + offset, head, 10)) return;
            glyph.height = txr::ReadBE16(head);
            glyph.width = txr::ReadBE16(head + 2);
            glyph.leftOffset = txr::ReadBE16(head + 4);
            glyph.ascent = txr::ReadBE16(head + 6);
            glyph.advance = txr::ReadBE16(head + 8);
            glyph.rowBytes =
                std::min<std::size_t>((static_cast<std::size_t>(glyph.width) + 7) / 8, 6);
            glyph.rowsAt = blockStart_ + offset + 10;
        }
        glyph.found = true;
    }

    void close() {
        if (reading_ == Reading::kMmap && file_ != nullptr) {
            ::munmap(const_cast<unsigned char*>(file_), fileSize_);
        }
        file_ = nullptr;
        ::close(fd_);
    }

    const Family& family_;
    Reading reading_;
    int fd_ = -1;
    const unsigned char* file_ = nullptr;
    std::size_t fileSize_ = 0;
    std::vector<unsigned char> whole_;
    std::uint64_t blockStart_ = 0;
    std::uint64_t tableAt_ = 0;
    int firstCode_ = 0, lastCode_ = 0;
    int cellWidth_ = 0, cellHeight_ = 0, baseline_ = 0;
    std::array<Glyph, 256> glyphs_;
    InkRows ink_;
};

// ---- FreeType over the BDF dump of the same block --------------------------------------------

class FreeTypeRenderer {
  public:
    FreeTypeRenderer(const Family& family, const std::string& bdfPath, bool keepFaceOpen)
        : family_(family), bdfPath_(bdfPath), keepOpen_(keepFaceOpen) {
        if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType");
        if (keepOpen_) openFace();
    }
    ~FreeTypeRenderer() {
        if (face_ != nullptr) FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FreeTypeRenderer(const FreeTypeRenderer&) = delete;
    FreeTypeRenderer& operator=(const FreeTypeRenderer&) = delete;

    [[gnu::noinline]] Size measure(const std::string& text) {
        if (!keepOpen_) openFace();
        const Size size = measureOpen(text);
        if (!keepOpen_) closeFace();
        return size;
    }

    [[gnu::noinline]] void render(const std::string& text, const char* path) {
        if (!keepOpen_) openFace();
        const Size size = measureOpen(text);
        ink_.reset(size.width, size.height);
        int pen = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const FT_UInt index = indexOf(static_cast<unsigned char>(text[i]));
            if (index == 0 || FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) {
                continue;
            }
            const FT_GlyphSlot slot = face_->glyph;
            const FT_Bitmap& bitmap = slot->bitmap;
            int width = static_cast<int>(bitmap.width);
            int x = pen + slot->bitmap_left;
            if (!family_.proportional) {
                x = static_cast<int>(i) * cellWidth_ + slot->bitmap_left;
                width = std::min(width, cellWidth_);
            }
            ink_.copyBox(x, ascent_ - slot->bitmap_top, bitmap.buffer,
                         static_cast<std::size_t>(bitmap.pitch), width,
                         static_cast<int>(bitmap.rows));
            pen += static_cast<int>(slot->advance.x >> 6);
        }
        if (!keepOpen_) closeFace();
        writeFile(path, ink_.bmpFile());
    }

  private:
    int property(const char* name) {
        BDF_PropertyRec value;
        if (FT_Get_BDF_Property(face_, name, &value) != 0) return 0;
        // Properties FreeType does not know come as atoms (text).
        if (value.type == BDF_PROPERTY_TYPE_ATOM) return std::atoi(value.u.atom);
        return value.type == BDF_PROPERTY_TYPE_INTEGER ? value.u.integer
                                                       : static_cast<int>(value.u.cardinal);
    }

    void openFace() {
        if (FT_New_Face(library_, bdfPath_.c_str(), 0, &face_) != 0 ||
            FT_Select_Size(face_, 0) != 0 || face_->num_charmaps < 1 ||
            FT_Set_Charmap(face_, face_->charmaps[0]) != 0) {
            throw std::runtime_error("FreeType cannot open " + bdfPath_);
        }
        cellWidth_ = property("TXR_CELL_WIDTH");
        cellHeight_ = property("TXR_CELL_HEIGHT");
        ascent_ = property("FONT_ASCENT");
    }

    void closeFace() {
        FT_Done_Face(face_);
        face_ = nullptr;
    }

    // Family 1's BDF is indexed by glyph number: the code table turns codes into them.
    FT_UInt indexOf(int code) {
        if (family_.family != 1) return FT_Get_Char_Index(face_, static_cast<FT_ULong>(code));
        const std::uint16_t number = txr::engine_b::glyphNumberFor(203, family_.fontType, 0, code);
        return number == txr::engine_b::kNoGlyph ? 0 : FT_Get_Char_Index(face_, number);
    }

    Size measureOpen(const std::string& text) {
        Size size;
        if (family_.proportional) {
            for (char c : text) {
                const FT_UInt index = indexOf(static_cast<unsigned char>(c));
                if (index != 0 && FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT) == 0) {
                    size.width += static_cast<int>(face_->glyph->advance.x >> 6);
                }
            }
        } else {
            size.width = cellWidth_ * static_cast<int>(text.size());
        }
        size.height = cellHeight_ + family_.heightCorrection;
        return size;
    }

    const Family& family_;
    std::string bdfPath_;
    bool keepOpen_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    int cellWidth_ = 0, cellHeight_ = 0, ascent_ = 0;
    InkRows ink_;
};

// ---- Timing ---------------------------------------------------------------------------------

// CPU time of this thread: on a shared machine it leaves out the time other jobs hold the core.
double threadMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Microseconds per call of each way: the best of 7 rounds of at least 0.1 s of CPU time, the
// ways taking turns round by round so that a busy spell of the machine falls on all of them.
std::vector<double> microsecondsPerCall(const std::vector<std::function<void()>>& ways) {
    std::vector<double> best(ways.size(), 1e300);
    for (const auto& call : ways) call();
    for (int round = 0; round < 7; ++round) {
        for (std::size_t way = 0; way < ways.size(); ++way) {
            long calls = 0;
            const double start = threadMicroseconds();
            double now = start;
            do {
                for (int i = 0; i < 16; ++i) ways[way]();
                calls += 16;
                now = threadMicroseconds();
            } while (now - start < 100000.0);
            best[way] = std::min(best[way], (now - start) / static_cast<double>(calls));
        }
    }
    return best;
}

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

std::string fixed(double value, int digits) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(digits);
    out << value;
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    // compare [--check] [--family=N] [--repeat=N] [lengths...]: --check draws and compares once,
    // without timing; --repeat=N then makes every call N times more (for instruction counts under
    // callgrind); --family=N takes only family N.
    bool timed = true;
    int onlyFamily = -1;
    int repeats = 0;
    std::vector<int> lengths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--repeat=", 0) == 0) {
            repeats = std::atoi(argument.c_str() + 9);
        } else if (argument.rfind("--family=", 0) == 0) {
            onlyFamily = std::atoi(argument.c_str() + 9);
        } else if (argument == "--check") {
            timed = false;
        } else {
            lengths.push_back(std::atoi(argv[i]));
        }
    }
    if (lengths.empty()) lengths = {8, 32, 255};
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / ("txr_compare_" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);

    std::cout << "Machine: " << std::thread::hardware_concurrency() << " cores (nproc), "
              << cpuModel() << "\n\n";
    std::cout
        << "Microseconds of CPU time per call at magnification 1, rotation 0 (best of 7 rounds, "
           "the ways taking turns). cached: the library with a txr::FontCache; FT/call: "
           "FreeType opening the BDF face for every call; FT/open: the face kept open; floor: "
           "open the font file, read it, compose, write the BMP, the fastest of three ways of "
           "reading (named: one pread per structure, one read of the whole file, mmap).\n\n";
    std::cout << "| font | chars | call | library | cached | FT/call | FT/open | floor | "
                 "library/floor | FT/open / cached |\n";
    std::cout << "|---|---:|---|---:|---:|---:|---:|---:|---:|---:|\n";

    bool allSame = true;
    for (const Family& family : kFamilies) {
        if (onlyFamily >= 0 && family.family != onlyFamily) continue;
        const auto fontBytes = fk::readFileBytes(kFontDirectory + family.fileName, 64u << 20);
        const auto fonts = fk::dumpFontFile(family.kind, fontBytes);
        const std::string bdfPath =
            (work / (std::string(family.fileName) + "." + std::to_string(family.block) + ".bdf"))
                .string();
        fk::writeBdfFile(bdfPath, fonts.at(static_cast<std::size_t>(family.block)));

        CTXR txr;
        txr.SetPath(kFontDirectory.c_str());
        txr.SetFont(family.family, family.fontType, 1, 1, 0, 203);
        txr::FontCache cache;
        CTXR cachedTxr(txr);
        cachedTxr.UseCache(&cache);
        Floor floors[3] = {Floor(family, Reading::kPread), Floor(family, Reading::kWholeRead),
                           Floor(family, Reading::kMmap)};
        FreeTypeRenderer perCall(family, bdfPath, false);
        FreeTypeRenderer kept(family, bdfPath, true);

        for (int length : lengths) {
            const std::string text = sampleText(length);
            const CString ctext(text.c_str());
            const std::string library = (work / "library.bmp").string();
            const std::string cached = (work / "cached.bmp").string();
            const std::string ftCall = (work / "ft_call.bmp").string();
            const std::string ftOpen = (work / "ft_open.bmp").string();
            const std::string floorPaths[3] = {(work / "floor_pread.bmp").string(),
                                               (work / "floor_read.bmp").string(),
                                               (work / "floor_mmap.bmp").string()};
            // The same dots, the same size, every way.
            const CSize librarySize = txr.GetStringSize(ctext);
            const CSize cachedSize = cachedTxr.GetStringSize(ctext);
            std::vector<std::pair<std::string, Size>> others = {
                {cached, Size{cachedSize.cx, cachedSize.cy}},
                {ftCall, perCall.measure(text)},
                {ftOpen, kept.measure(text)}};
            for (int way = 0; way < 3; ++way) {
                others.emplace_back(floorPaths[way], floors[way].measure(text));
            }
            txr.GetBmpFile(library.c_str(), ctext);
            cachedTxr.GetBmpFile(cached.c_str(), ctext);
            perCall.render(text, ftCall.c_str());
            kept.render(text, ftOpen.c_str());
            for (int way = 0; way < 3; ++way) floors[way].render(text, floorPaths[way].c_str());
            const auto libraryFile = fk::readFileBytes(library, 1u << 30);
            for (const auto& [path, size] : others) {
                if (!(size == Size{librarySize.cx, librarySize.cy}) ||
                    fk::readFileBytes(path, 1u << 30) != libraryFile) {
                    std::cerr << family.label << ", " << length << " characters: " << path
                              << " differs from the library's drawing\n";
                    allSame = false;
                }
            }

            // One way at a time, so that none of them pays for the heap another leaves behind.
            for (int i = 0; i < repeats; ++i) txr.GetStringSize(ctext);
            for (int i = 0; i < repeats; ++i) txr.GetBmpFile(library.c_str(), ctext);
            for (int i = 0; i < repeats; ++i) cachedTxr.GetStringSize(ctext);
            for (int i = 0; i < repeats; ++i) cachedTxr.GetBmpFile(cached.c_str(), ctext);
            for (int way = 0; way < 3; ++way) {
                for (int i = 0; i < repeats; ++i) floors[way].measure(text);
                for (int i = 0; i < repeats; ++i) floors[way].render(text, floorPaths[way].c_str());
            }
            for (int i = 0; i < repeats; ++i) perCall.measure(text);
            for (int i = 0; i < repeats; ++i) perCall.render(text, ftCall.c_str());
            for (int i = 0; i < repeats; ++i) kept.measure(text);
            for (int i = 0; i < repeats; ++i) kept.render(text, ftOpen.c_str());
            if (!timed) continue;
            const std::vector<double> sizeTimes = microsecondsPerCall(
                {[&] { txr.GetStringSize(ctext); }, [&] { cachedTxr.GetStringSize(ctext); },
                 [&] { perCall.measure(text); }, [&] { kept.measure(text); },
                 [&] { floors[0].measure(text); }, [&] { floors[1].measure(text); },
                 [&] { floors[2].measure(text); }});
            const std::vector<double> fileTimes =
                microsecondsPerCall({[&] { txr.GetBmpFile(library.c_str(), ctext); },
                                     [&] { cachedTxr.GetBmpFile(cached.c_str(), ctext); },
                                     [&] { perCall.render(text, ftCall.c_str()); },
                                     [&] { kept.render(text, ftOpen.c_str()); },
                                     [&] { floors[0].render(text, floorPaths[0].c_str()); },
                                     [&] { floors[1].render(text, floorPaths[1].c_str()); },
                                     [&] { floors[2].render(text, floorPaths[2].c_str()); }});
            for (const auto& [call, times] :
                 {std::pair{"GetStringSize", sizeTimes}, std::pair{"GetBmpFile", fileTimes}}) {
                const auto fastest = std::min_element(times.begin() + 4, times.end());
                const auto reading = static_cast<std::size_t>(fastest - (times.begin() + 4));
                std::cout << "| " << family.label << " | " << length << " | " << call << " | "
                          << fixed(times[0], 1) << " | " << fixed(times[1], 1) << " | "
                          << fixed(times[2], 1) << " | " << fixed(times[3], 1) << " | "
                          << fixed(*fastest, 1) << " (" << kReadingNames[reading] << ") | "
                          << fixed(times[0] / *fastest, 2) << "x | "
                          << fixed(times[3] / times[1], 2) << "x |\n";
            }
        }
    }
    std::filesystem::remove_all(work);
    std::cout << "\n"
              << (allSame ? "All the drawings are the same dots, byte for byte."
                          : "THE DRAWINGS DIFFER.")
              << "\n";
    return allSame ? 0 : 1;
}
