// CString: a byte string that may hold any byte, 0x00 included.
#include <cstring>

#include "txr/platform/afx.h"

CString::CString(const char* text) : data_(text == nullptr ? "" : text) {}

CString::CString(const char* bytes, int length) {
    if (bytes != nullptr && length > 0) data_.assign(bytes, static_cast<std::size_t>(length));
}

CString::CString(const std::string& text) : data_(text) {}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) data_.resize(static_cast<std::size_t>(minLength));
    return &data_[0];
}

// As in the framework, -1 (or any negative length) means "up to the first 0x00 byte". A length
// past the buffer keeps the buffer's length.
void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        data_.resize(std::strlen(data_.c_str()));
    } else if (newLength < GetLength()) {
        data_.resize(static_cast<std::size_t>(newLength));
    }
}

CString& CString::operator=(const char* text) {
    data_ = text == nullptr ? "" : text;
    return *this;
}

CString& CString::operator+=(const CString& other) {
    data_ += other.data_;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString sum(a);
    sum += b;
    return sum;
}
