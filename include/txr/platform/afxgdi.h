// The framework's device-context and GDI-object classes, over the drawing calls of windef.h.
#pragma once

#include "txr/platform/afx.h"
#include "txr/platform/windef.h"

class CDC;
class CWnd;

// Owns the GDI object it is attached to: the destructor deletes it.
class TXR_API CGdiObject {
  public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject();

    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }  // NOLINT

    // The C++ object for a handle: the one it is attached to, or a temporary one that lives as
    // long as the GDI object does.
    static CGdiObject* FromHandle(HGDIOBJ object);

    HGDIOBJ m_hObject = nullptr;
};

class TXR_API CBitmap : public CGdiObject {
  public:
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* out) const;
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }  // NOLINT
};

class TXR_API CPen : public CGdiObject {
  public:
    CPen() = default;
    CPen(int style, int width, COLORREF color);
    BOOL CreatePen(int style, int width, COLORREF color);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }  // NOLINT
};

// Owns the device context it is attached to: the destructor deletes it.
class TXR_API CDC {
  public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL DeleteDC();
    BOOL CreateCompatibleDC(CDC* dc);
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }  // NOLINT

    static CGdiObject* SelectGdiObject(HDC dc, HGDIOBJ object);
    CGdiObject* SelectObject(CGdiObject* object);
    CPen* SelectObject(CPen* pen);
    CBitmap* SelectObject(CBitmap* bitmap);

    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;
    POINT MoveTo(int x, int y);
    BOOL LineTo(int x, int y);
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
    COLORREF GetPixel(int x, int y) const;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
};

// The device context of a window; for no window, that of the whole screen.
class TXR_API CWindowDC : public CDC {
  public:
    explicit CWindowDC(CWnd* window);
    ~CWindowDC() override;

  private:
    HWND hwnd_ = nullptr;
};
