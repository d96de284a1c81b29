// GDI handles over the raster: the table of live bitmaps, pens and device contexts, the stock
// objects, and the drawing calls of windef.h.
#include "platform/gdi_objects.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/one_bit_rows.h"
#include "common/short_hold_mutex.h"
#include "platform/raster.h"

namespace txr {
struct SharedSurface;
}

// A device context: what it draws on, the objects selected into it and its drawing state.
struct HDC__ {
    enum class Kind { memory, device, screen };

    explicit HDC__(Kind k) : kind(k) {}

    Kind kind;
    HBITMAP bitmap = nullptr;  // memory DCs only
    HPEN pen = nullptr;
    int stretchMode = BLACKONWHITE;
    POINT position{0, 0};
    std::shared_ptr<txr::SharedSurface> ownSurface;  // device DCs only
};

namespace txr {

// A surface and the lock of whoever draws on it. The table's lock only finds it; drawing holds
// this one, so threads drawing on surfaces of their own never wait for each other, and a surface
// whose object is deleted meanwhile lives until the drawing on it ends.
struct SharedSurface {
    explicit SharedSurface(std::unique_ptr<Surface> s) : surface(std::move(s)) {}
    std::mutex drawing;
    const std::unique_ptr<Surface> surface;
};

namespace {

// A surface held for one drawing call: the surface (or nullptr) and its drawing lock.
class HeldSurface {
  public:
    HeldSurface(bool dcFound, std::shared_ptr<SharedSurface> shared)
        : dcFound(dcFound),
          shared_(std::move(shared)),
          lock_(shared_ ? std::unique_lock<std::mutex>(shared_->drawing)
                        : std::unique_lock<std::mutex>()) {}
    Surface* get() const { return shared_ ? shared_->surface.get() : nullptr; }
    Surface* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

    const bool dcFound;  // false: the handle was no live DC

  private:
    std::shared_ptr<SharedSurface> shared_;
    std::unique_lock<std::mutex> lock_;
};

constexpr DWORD kDstInvert = 0x00550009;
constexpr int kPsNull = 5;
constexpr int kHalftone = 4;
// Info header sizes from BITMAPINFOHEADER to BITMAPV5HEADER; the colour table follows biSize.
constexpr DWORD kMinInfoHeaderSize = 40;
constexpr DWORD kMaxInfoHeaderSize = 124;

struct BitmapObject final : HBITMAP__ {
    explicit BitmapObject(std::unique_ptr<Surface> s)
        : shared(std::make_shared<SharedSurface>(std::move(s))) {}
    std::shared_ptr<SharedSurface> shared;
};

struct PenObject final : HPEN__ {
    PenObject(int s, int w, COLORREF c) : style(s), width(w), colour(c) {}
    int style;
    int width;
    COLORREF colour;
};

struct ObjectEntry {
    std::unique_ptr<HGDIOBJ__> object;
    UINT type = 0;
    bool stock = false;
    int selections = 0;     // device contexts holding it
    bool orphaned = false;  // DeleteObject was refused because a DC held it
    std::unique_ptr<ObjectCompanion> companion;
};

struct Registry {
    Registry() {
        stockBitmap = static_cast<HBITMAP>(
            add(std::make_unique<BitmapObject>(Surface::create(PixelFormat::oneBit, 1, 1)),
                OBJ_BITMAP, true));
        stockPen = static_cast<HPEN>(
            add(std::make_unique<PenObject>(PS_SOLID, 1, RGB(0, 0, 0)), OBJ_PEN, true));
    }

    HGDIOBJ add(std::unique_ptr<HGDIOBJ__> object, UINT type, bool stock = false) {
        HGDIOBJ handle = object.get();
        ObjectEntry& entry = objects[handle];
        entry.object = std::move(object);
        entry.type = type;
        entry.stock = stock;
        return handle;
    }

    ObjectEntry* find(HGDIOBJ object) {
        auto it = objects.find(object);
        return it == objects.end() ? nullptr : &it->second;
    }

    BitmapObject* findBitmap(HGDIOBJ object) {
        ObjectEntry* entry = find(object);
        if (entry == nullptr || entry->type != OBJ_BITMAP) return nullptr;
        return static_cast<BitmapObject*>(entry->object.get());
    }

    PenObject* findPen(HGDIOBJ object) {
        ObjectEntry* entry = find(object);
        if (entry == nullptr || entry->type != OBJ_PEN) return nullptr;
        return static_cast<PenObject*>(entry->object.get());
    }

    HDC__* findDC(HDC dc) {
        auto it = dcs.find(dc);
        return it == dcs.end() ? nullptr : it->second.get();
    }

    HDC addDC(HDC__::Kind kind) {
        auto dc = std::make_unique<HDC__>(kind);
        dc->pen = stockPen;
        ++find(stockPen)->selections;
        if (kind == HDC__::Kind::memory) {
            dc->bitmap = stockBitmap;
            ++find(stockBitmap)->selections;
        }
        HDC handle = dc.get();
        dcs[handle] = std::move(dc);
        return handle;
    }

    // Removes the DC; objects it held that were refused deletion meanwhile go to `freed`.
    void removeDC(HDC dc, std::vector<ObjectEntry>& freed) {
        changed();
        auto it = dcs.find(dc);
        const HGDIOBJ held[] = {it->second->pen, it->second->bitmap};
        dcs.erase(it);
        for (HGDIOBJ object : held) {
            auto entry = objects.find(object);
            if (entry == objects.end()) continue;
            if (--entry->second.selections == 0 && entry->second.orphaned) {
                freed.push_back(std::move(entry->second));
                objects.erase(entry);
            }
        }
    }

    // Where drawing on the DC goes: nothing for the screen and for the shared stock bitmap.
    std::shared_ptr<SharedSurface> drawTarget(HDC__& dc) {
        switch (dc.kind) {
            case HDC__::Kind::memory:
                if (dc.bitmap == stockBitmap) return nullptr;
                return static_cast<BitmapObject*>(dc.bitmap)->shared;
            case HDC__::Kind::device:
                return dc.ownSurface;
            case HDC__::Kind::screen:
                break;
        }
        return nullptr;
    }

    std::shared_ptr<SharedSurface> readSource(HDC__& dc) {
        if (dc.kind == HDC__::Kind::memory) return static_cast<BitmapObject*>(dc.bitmap)->shared;
        return drawTarget(dc);
    }

    // The surface a DC draws on (or reads from), held for drawing; the caller must not hold the
    // table's lock. Each thread reuses its last lookup while no DC has been deleted and no bitmap
    // selected since: a string's glyphs are blitted onto one DC one after another.
    HeldSurface hold(HDC hdc, bool reading = false) {
        struct LastLookup {
            HDC dc = nullptr;
            bool reading = false;
            std::uint64_t changes = 0;
            std::weak_ptr<SharedSurface> shared;
        };
        thread_local LastLookup last;
        if (last.dc == hdc && last.reading == reading &&
            last.changes == changes.load(std::memory_order_acquire)) {
            if (std::shared_ptr<SharedSurface> shared = last.shared.lock()) {
                return HeldSurface(true, std::move(shared));
            }
        }
        std::shared_ptr<SharedSurface> shared;
        bool found = false;
        std::uint64_t seen = 0;
        {
            std::lock_guard<ShortHoldMutex> lock(mutex);
            seen = changes.load(std::memory_order_relaxed);
            HDC__* dc = findDC(hdc);
            found = dc != nullptr;
            if (found) shared = reading ? readSource(*dc) : drawTarget(*dc);
        }
        if (shared) last = LastLookup{hdc, reading, seen, shared};
        return HeldSurface(found, std::move(shared));
    }

    // Moved on, under the lock, whenever what a DC handle draws on may change.
    void changed() { changes.fetch_add(1, std::memory_order_release); }

    ShortHoldMutex mutex;
    std::atomic<std::uint64_t> changes{0};
    std::unordered_map<const HGDIOBJ__*, ObjectEntry> objects;
    std::unordered_map<const HDC__*, std::unique_ptr<HDC__>> dcs;
    HBITMAP stockBitmap = nullptr;
    HPEN stockPen = nullptr;
};

// Never destroyed, so that hosts may release GDI objects from their own static destructors.
Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

// GDI's reading of a rectangle with a negative extent: it reaches back from the origin, which
// it includes.
void span(std::int64_t origin, std::int64_t extent, std::int64_t& low, std::int64_t& high) {
    if (extent >= 0) {
        low = origin;
        high = origin + extent;
    } else {
        low = origin + extent + 1;
        high = origin + 1;
    }
}

bool infoHeaderSizeAccepted(DWORD size) {
    return size >= kMinInfoHeaderSize && size <= kMaxInfoHeaderSize;
}

COLORREF colourTableEntry(const BITMAPINFO* info, int index) {
    RGBQUAD quad;
    std::memcpy(&quad, reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize + 4 * index,
                sizeof quad);
    return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue);
}

}  // namespace

ObjectCompanion* objectCompanion(HGDIOBJ object, CompanionFactory make) {
    Registry& reg = registry();
    std::lock_guard<ShortHoldMutex> lock(reg.mutex);
    ObjectEntry* entry = reg.find(object);
    if (entry == nullptr) return nullptr;
    if (!entry->companion && make != nullptr) entry->companion = make();
    return entry->companion.get();
}

UINT gdiObjectType(HGDIOBJ object) {
    Registry& reg = registry();
    std::lock_guard<ShortHoldMutex> lock(reg.mutex);
    ObjectEntry* entry = reg.find(object);
    return entry == nullptr ? 0 : entry->type;
}

HDC createDeviceDC(int width, int height, COLORREF paper) {
    auto surface = Surface::create(PixelFormat::rgb, width, height);
    if (!surface) return nullptr;
    surface->fill(DotRect{0, 0, width, height}, surface->pixelOf(paper));
    Registry& reg = registry();
    std::lock_guard<ShortHoldMutex> lock(reg.mutex);
    HDC handle = reg.addDC(HDC__::Kind::device);
    reg.findDC(handle)->ownSurface = std::make_shared<SharedSurface>(std::move(surface));
    return handle;
}

BOOL fillDeviceSurface(HDC dc, COLORREF colour) {
    HeldSurface surface = registry().hold(dc);
    if (!surface) return FALSE;
    surface->fill(DotRect{0, 0, surface->width(), surface->height()}, surface->pixelOf(colour));
    return TRUE;
}

}  // namespace txr

using txr::registry;

HDC CreateCompatibleDC(HDC hdc) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    if (hdc != nullptr && reg.findDC(hdc) == nullptr) return nullptr;
    return reg.addDC(HDC__::Kind::memory);
}

BOOL DeleteDC(HDC hdc) {
    std::vector<txr::ObjectEntry> freed;  // destroyed after the lock is released
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    if (reg.findDC(hdc) == nullptr) return FALSE;
    reg.removeDC(hdc, freed);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (hwnd != nullptr) return nullptr;  // there are no windows here, only the screen
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    return reg.addDC(HDC__::Kind::screen);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    std::vector<txr::ObjectEntry> freed;
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    if (hwnd != nullptr || dc == nullptr || dc->kind != HDC__::Kind::screen) return 0;
    reg.removeDC(hdc, freed);
    return 1;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    if (dc == nullptr || cx < 0 || cy < 0) return nullptr;
    txr::PixelFormat format = txr::PixelFormat::rgb;
    if (dc->kind == HDC__::Kind::memory) format = reg.readSource(*dc)->surface->format();
    if (cx == 0 || cy == 0) {
        format = txr::PixelFormat::oneBit;
        cx = cy = 1;
    }
    auto surface = txr::Surface::create(format, cx, cy);
    if (!surface) return nullptr;
    return static_cast<HBITMAP>(
        reg.add(std::make_unique<txr::BitmapObject>(std::move(surface)), OBJ_BITMAP));
}

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style < PS_SOLID || style > 6) return nullptr;
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    return static_cast<HPEN>(reg.add(
        std::make_unique<txr::PenObject>(style, std::max(width, 1), color & 0x00FFFFFF), OBJ_PEN));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    txr::ObjectEntry* entry = reg.find(object);
    if (dc == nullptr || entry == nullptr) return nullptr;
    HGDIOBJ previous = nullptr;
    if (entry->type == OBJ_PEN) {
        previous = dc->pen;
        if (previous != object) dc->pen = static_cast<HPEN>(object);
    } else {
        if (dc->kind != HDC__::Kind::memory) return nullptr;
        previous = dc->bitmap;
        if (previous == object) return object;
        // A bitmap can be drawn on through one DC at a time; the stock one is never drawn on.
        if (!entry->stock && entry->selections > 0) return nullptr;
        dc->bitmap = static_cast<HBITMAP>(object);
        reg.changed();
    }
    if (previous != object) {
        ++entry->selections;
        txr::ObjectEntry* released = reg.find(previous);
        --released->selections;
        released->orphaned = false;  // whoever gets it back owns it again
    }
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    if (dc == nullptr) return nullptr;
    if (type == OBJ_PEN) return dc->pen;
    if (type == OBJ_BITMAP) return dc->bitmap;
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    txr::ObjectEntry doomed;  // destroyed after the lock is released, companion first
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    auto it = reg.objects.find(object);
    if (it == reg.objects.end()) return FALSE;
    if (it->second.stock) return TRUE;
    if (it->second.selections > 0) {
        it->second.orphaned = true;
        return FALSE;
    }
    doomed = std::move(it->second);
    reg.objects.erase(it);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    txr::BitmapObject* bitmap = reg.findBitmap(object);
    if (bitmap == nullptr) return 0;
    if (out == nullptr) return static_cast<int>(sizeof(BITMAP));
    // As gdi32: a buffer too short for the whole record gets nothing.
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    const txr::Surface& surface = *bitmap->shared->surface;  // its size never changes
    const std::int64_t bitsPixel = surface.format() == txr::PixelFormat::oneBit ? 1 : 32;
    BITMAP record{};
    record.bmWidth = surface.width();
    record.bmHeight = surface.height();
    record.bmWidthBytes = static_cast<LONG>((surface.width() * bitsPixel + 15) / 16 * 2);
    record.bmPlanes = 1;
    record.bmBitsPixel = static_cast<WORD>(bitsPixel);
    std::memcpy(out, &record, sizeof record);
    return static_cast<int>(sizeof record);
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (rop != BLACKNESS && rop != WHITENESS && rop != txr::kDstInvert) return FALSE;
    txr::HeldSurface surface = registry().hold(hdc);
    if (!surface.dcFound) return FALSE;
    if (!surface) return TRUE;
    txr::DotRect rect;
    txr::span(x, w, rect.left, rect.right);
    txr::span(y, h, rect.top, rect.bottom);
    if (rop == txr::kDstInvert) {
        surface->invert(rect);
    } else {
        surface->fill(rect, surface->pixelOf(rop == WHITENESS ? RGB(255, 255, 255) : RGB(0, 0, 0)));
    }
    return TRUE;
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
    if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
    if (rop != SRCCOPY && rop != NOTSRCCOPY) return 0;
    if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (!txr::infoHeaderSizeAccepted(header.biSize) || header.biBitCount != 1 ||
        header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0) {
        return 0;
    }
    txr::DibView image;
    image.bits = static_cast<const unsigned char*>(bits);
    image.width = header.biWidth;
    image.bottomUp = header.biHeight > 0;
    image.height = image.bottomUp ? std::int64_t{header.biHeight} : -std::int64_t{header.biHeight};
    image.stride = txr::dibStride(header.biWidth);
    image.colours[0] = txr::colourTableEntry(info, 0);
    image.colours[1] = txr::colourTableEntry(info, 1);

    txr::HeldSurface surface = registry().hold(hdc);
    if (!surface.dcFound) return 0;
    if (surface) {
        txr::stretchOneBit(*surface.get(), image, {xSrc, ySrc, srcWidth, srcHeight},
                           {xDest, yDest, destWidth, destHeight}, rop == NOTSRCCOPY);
    }
    return srcHeight;
}

int SetStretchBltMode(HDC hdc, int mode) {
    if (mode < BLACKONWHITE || mode > txr::kHalftone) return 0;
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    if (dc == nullptr) return 0;
    return std::exchange(dc->stretchMode, mode);
}

int GetStretchBltMode(HDC hdc) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    return dc == nullptr ? 0 : dc->stretchMode;
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
    if (info == nullptr || usage != DIB_RGB_COLORS) return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (!txr::infoHeaderSizeAccepted(header.biSize) || header.biBitCount != 1 ||
        header.biWidth <= 0 || header.biHeight <= 0) {
        return 0;
    }
    const std::size_t stride = txr::dibStride(header.biWidth);
    const std::uint64_t sizeImage =
        std::uint64_t{stride} * static_cast<std::uint64_t>(header.biHeight);
    if (sizeImage > UINT32_MAX) return 0;

    std::shared_ptr<txr::SharedSurface> shared;
    {
        auto& reg = registry();
        std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
        if (hdc != nullptr && reg.findDC(hdc) == nullptr) return 0;
        txr::BitmapObject* object = reg.findBitmap(bitmap);
        if (object == nullptr) return 0;
        shared = object->shared;
    }
    const txr::HeldSurface held(true, std::move(shared));
    const txr::Surface& surface = *held.get();

    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(sizeImage);
    const RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    std::memcpy(reinterpret_cast<BYTE*>(info) + header.biSize, table, sizeof table);
    if (bits == nullptr) return surface.height();

    const auto height = static_cast<UINT>(surface.height());
    if (start >= height) return 0;
    const UINT count = std::min(lines, height - start);
    auto* out = static_cast<unsigned char*>(bits);
    for (UINT row = 0; row < count; ++row) {
        const auto y = static_cast<int>(height - 1 - (start + row));
        surface.readOneBitRow(y, header.biWidth, out + std::size_t{row} * stride, stride);
    }
    return static_cast<int>(count);
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    auto& reg = registry();
    std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
    HDC__* dc = reg.findDC(hdc);
    if (dc == nullptr) return FALSE;
    if (previous != nullptr) *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    POINT from{};
    int penStyle = 0;
    int penWidth = 0;
    COLORREF penColour = 0;
    std::shared_ptr<txr::SharedSurface> shared;
    {
        auto& reg = registry();
        std::lock_guard<txr::ShortHoldMutex> lock(reg.mutex);
        HDC__* dc = reg.findDC(hdc);
        if (dc == nullptr) return FALSE;
        const txr::PenObject* pen = reg.findPen(dc->pen);
        penStyle = pen->style;
        penWidth = pen->width;
        penColour = pen->colour;
        from = std::exchange(dc->position, POINT{x, y});
        shared = reg.drawTarget(*dc);
    }
    const txr::HeldSurface surface(true, std::move(shared));
    if (surface && penStyle != txr::kPsNull) {
        txr::drawLine(*surface.get(), from, POINT{x, y}, penWidth, surface->pixelOf(penColour));
    }
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    const txr::HeldSurface surface = registry().hold(hdc, true);
    if (!surface || !surface->contains(x, y)) return CLR_INVALID;
    return surface->colourOf(surface->pixel(x, y));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    const txr::HeldSurface surface = registry().hold(hdc);
    if (!surface || !surface->contains(x, y)) return CLR_INVALID;
    const std::uint32_t pixel = surface->pixelOf(color);
    surface->setPixel(x, y, pixel);
    return surface->colourOf(pixel);
}
