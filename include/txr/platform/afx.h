// The framework classes the library and its hosts use: strings, files and their exception,
// sizes, and the registration of the library as an extension module.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "txr/platform/windef.h"

// A byte string. A text may hold any byte, 0x00 included; GetLength counts them all.
class TXR_API CString {
  public:
    CString() = default;
    CString(const char* text);  // NOLINT: implicit, as in the framework
    CString(const char* bytes, int length);
    CString(const std::string& text);  // NOLINT

    int GetLength() const { return static_cast<int>(data_.size()); }
    bool IsEmpty() const { return data_.empty(); }
    void Empty() { data_.clear(); }
    char* LockBuffer() { return &data_[0]; }
    void UnlockBuffer() {}
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);
    operator const char*() const { return data_.c_str(); }  // NOLINT
    const std::string& str() const { return data_; }

    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    friend CString operator+(const CString& a, const CString& b);
    friend bool operator==(const CString& a, const CString& b) { return a.data_ == b.data_; }
    friend bool operator!=(const CString& a, const CString& b) { return a.data_ != b.data_; }

  private:
    std::string data_;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    CSize() = default;
    CSize(int width, int height) : cx(width), cy(height) {}
    friend bool operator==(const CSize& a, const CSize& b) { return a.cx == b.cx && a.cy == b.cy; }
    friend bool operator!=(const CSize& a, const CSize& b) { return !(a == b); }
};

// Exceptions are thrown as pointers to heap objects; the catcher calls Delete().
class TXR_API CException {
  public:
    virtual ~CException();
    void Delete();
    virtual BOOL GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext = nullptr) const;

  protected:
    CException() = default;
};

class TXR_API CFileException : public CException {
  public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr);
    BOOL GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

    // Throws a new CFileException for a system error number, as the framework does: errno here,
    // GetLastError's value on Windows.
    [[noreturn]] static void ThrowOsError(LONG osError, const char* fileName = nullptr);
    static int OsErrorToException(LONG osError);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

// A binary file. Failures of the throwing members raise CFileException*.
class TXR_API CFile {
  public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeBinary = 0x8000,
    };

    CFile() = default;
    CFile(const char* fileName, UINT openFlags);  // throws CFileException*
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();  // closes without throwing

    virtual BOOL Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buffer, UINT count);         // throws on a read error
    virtual void Write(const void* buffer, UINT count);  // throws on a short write
    virtual void Close();                                // throws when the data cannot be flushed
    virtual void Abort();                                // closes, never throws
    ULONGLONG GetLength() const;
    const CString& GetFilePath() const { return path_; }
    bool IsOpen() const { return file_ != nullptr; }

  private:
#if defined(_WIN32)
    HANDLE file_ = nullptr;
#else
    std::FILE* file_ = nullptr;
#endif
    CString path_;
};

// Extension-module registration: the framework keeps a list of the extension libraries loaded.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized = FALSE;
    HMODULE hModule = nullptr;
    HMODULE hResource = nullptr;
};

class TXR_API CDynLinkLibrary {
  public:
    CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;
    virtual ~CDynLinkLibrary();

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
};

TXR_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);
TXR_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

namespace txr {
// How many extension libraries are registered with the framework right now.
TXR_API std::size_t registeredExtensionLibraries();
}  // namespace txr
