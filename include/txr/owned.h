// Small owning types for the public fields of CTXR and the engines: a font file stream that a copy
// does not share, a value that a copy duplicates, and a private helper that a copy starts without.
// Each converts to the raw pointer the field used to be, so hosts read the fields as before.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace txr {

// An open font file, closed when the handle is destroyed or closed. A copy starts closed;
// assigning a copy closes this handle's stream. Assigning a raw stream (or nullptr) replaces the
// held one without closing it: that is how a host hands a stream in, or says it has closed the
// stream itself.
class FontFileHandle {
  public:
    FontFileHandle() = default;
    FontFileHandle(const FontFileHandle&) {}
    FontFileHandle& operator=(const FontFileHandle& other) {
        if (this != &other) close();
        return *this;
    }
    FontFileHandle& operator=(std::FILE* file) {
        file_ = file;
        return *this;
    }
    ~FontFileHandle() { close(); }

    operator std::FILE*() const { return file_; }
    std::FILE* get() const { return file_; }
    void close() {
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
    }

    friend bool operator==(const FontFileHandle& handle, std::nullptr_t) {
        return handle.file_ == nullptr;
    }
    friend bool operator!=(const FontFileHandle& handle, std::nullptr_t) {
        return handle.file_ != nullptr;
    }

  private:
    std::FILE* file_ = nullptr;
};

// A T of its own, always present: a copy holds a copy of the value, and assignment assigns the
// value in place (the pointer a host read before stays valid). T may be incomplete where the
// owner is declared, as long as the owner's special members are defined where T is complete.
template <class T>
class OwnedValue {
  public:
    OwnedValue() : value_(std::make_unique<T>()) {}
    OwnedValue(const OwnedValue& other) : value_(std::make_unique<T>(*other.value_)) {}
    OwnedValue& operator=(const OwnedValue& other) {
        if (this != &other) *value_ = *other.value_;
        return *this;
    }
    ~OwnedValue() = default;

    operator T*() const { return value_.get(); }
    T* get() const { return value_.get(); }
    T* operator->() const { return value_.get(); }
    T& operator*() const { return *value_; }

  private:
    std::unique_ptr<T> value_;
};

// A T made on demand that belongs to one object only: a copy starts without one, and assignment
// lets go of this object's one.
template <class T>
class FreshOnCopy {
  public:
    FreshOnCopy() = default;
    FreshOnCopy(const FreshOnCopy&) {}
    FreshOnCopy& operator=(const FreshOnCopy& other) {
        if (this != &other) value_.reset();
        return *this;
    }
    ~FreshOnCopy() = default;

    T* get() const { return value_.get(); }
    T* operator->() const { return value_.get(); }
    explicit operator bool() const { return value_ != nullptr; }
    T& make() {
        if (!value_) value_ = std::make_unique<T>();
        return *value_;
    }

  private:
    std::unique_ptr<T> value_;
};

}  // namespace txr
