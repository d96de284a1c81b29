// The framework's GDI-object and device-context classes over the drawing calls.
#include <memory>
#include <mutex>

#include "common/short_hold_mutex.h"
#include "platform/gdi_objects.h"
#include "txr/platform/afxgdi.h"

namespace {

// What the framework knows of one GDI object: the wrapper attached to it, and the temporary
// wrapper FromHandle made for it. Destroyed with the object, which neither wrapper may then
// delete again.
struct WrapperRecord final : txr::ObjectCompanion {
    ~WrapperRecord() override {
        if (attached != nullptr) attached->m_hObject = nullptr;
        if (temporary) temporary->m_hObject = nullptr;
    }

    CGdiObject* attached = nullptr;
    std::unique_ptr<CGdiObject> temporary;
};

std::unique_ptr<txr::ObjectCompanion> makeRecord() {
    return std::make_unique<WrapperRecord>();
}

// Guards the records' fields; never held while a GDI object is deleted.
txr::ShortHoldMutex& recordMutex() {
    static txr::ShortHoldMutex mutex;
    return mutex;
}

WrapperRecord* recordOf(HGDIOBJ object, bool create) {
    return dynamic_cast<WrapperRecord*>(
        txr::objectCompanion(object, create ? &makeRecord : nullptr));
}

std::unique_ptr<CGdiObject> makeWrapper(HGDIOBJ object) {
    switch (txr::gdiObjectType(object)) {
        case OBJ_BITMAP:
            return std::make_unique<CBitmap>();
        case OBJ_PEN:
            return std::make_unique<CPen>();
        default:
            return std::make_unique<CGdiObject>();
    }
}

}  // namespace

CGdiObject::~CGdiObject() {
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (object == nullptr || m_hObject != nullptr) return FALSE;
    std::lock_guard<txr::ShortHoldMutex> lock(recordMutex());
    WrapperRecord* record = recordOf(object, true);
    if (record == nullptr) return FALSE;
    record->attached = this;
    m_hObject = object;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ object = m_hObject;
    if (object == nullptr) return nullptr;
    std::lock_guard<txr::ShortHoldMutex> lock(recordMutex());
    WrapperRecord* record = recordOf(object, false);
    if (record != nullptr && record->attached == this) record->attached = nullptr;
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    return ::DeleteObject(Detach());
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
    if (object == nullptr) return nullptr;
    std::lock_guard<txr::ShortHoldMutex> lock(recordMutex());
    WrapperRecord* record = recordOf(object, true);
    if (record == nullptr) return nullptr;
    if (record->attached != nullptr) return record->attached;
    if (!record->temporary) record->temporary = makeWrapper(object);
    // A temporary wrapper's DeleteObject detaches it; it serves the same object again. Written
    // only then: threads sharing a stock object's wrapper read its handle without the lock.
    if (record->temporary->m_hObject != object) record->temporary->m_hObject = object;
    return record->temporary.get();
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    return Attach(::CreateCompatibleBitmap(dc == nullptr ? nullptr : dc->m_hDC, width, height));
}

int CBitmap::GetBitmap(BITMAP* out) const {
    return ::GetObjectA(m_hObject, static_cast<int>(sizeof(BITMAP)), out);
}

CPen::CPen(int style, int width, COLORREF color) {
    CreatePen(style, width, color);
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    return Attach(::CreatePen(style, width, color));
}

CDC::~CDC() {
    DeleteDC();
}

BOOL CDC::Attach(HDC dc) {
    if (dc == nullptr || m_hDC != nullptr) return FALSE;
    m_hDC = m_hAttribDC = dc;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return dc;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    return Attach(::CreateCompatibleDC(dc == nullptr ? nullptr : dc->m_hDC));
}

CGdiObject* CDC::SelectGdiObject(HDC dc, HGDIOBJ object) {
    return CGdiObject::FromHandle(::SelectObject(dc, object));
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    return SelectGdiObject(m_hDC, object == nullptr ? nullptr : object->m_hObject);
}

CPen* CDC::SelectObject(CPen* pen) {
    return dynamic_cast<CPen*>(SelectGdiObject(m_hDC, pen == nullptr ? nullptr : pen->m_hObject));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
    return dynamic_cast<CBitmap*>(
        SelectGdiObject(m_hDC, bitmap == nullptr ? nullptr : bitmap->m_hObject));
}

int CDC::SetStretchBltMode(int mode) {
    return ::SetStretchBltMode(m_hDC, mode);
}

int CDC::GetStretchBltMode() const {
    return ::GetStretchBltMode(m_hDC);
}

POINT CDC::MoveTo(int x, int y) {
    POINT previous{0, 0};
    ::MoveToEx(m_hDC, x, y, &previous);
    return previous;
}

BOOL CDC::LineTo(int x, int y) {
    return ::LineTo(m_hDC, x, y);
}

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) {
    return ::PatBlt(m_hDC, x, y, width, height, rop);
}

COLORREF CDC::GetPixel(int x, int y) const {
    return ::GetPixel(m_hDC, x, y);
}

// The library knows no windows (CWnd is only declared): every CWindowDC draws on the screen.
CWindowDC::CWindowDC(CWnd* /*window*/) {
    Attach(::GetDC(nullptr));
}

CWindowDC::~CWindowDC() {
    if (m_hDC != nullptr) ::ReleaseDC(hwnd_, Detach());
}
