// CException and CFileException: the file failures CFile raises, with their messages.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/file_calls.h"
#include "txr/platform/afx.h"

namespace {

const char* reasonOf(int cause) {
    switch (cause) {
        case CFileException::none:
            return "no error occurred";
        case CFileException::fileNotFound:
            return "the file was not found";
        case CFileException::badPath:
            return "all or part of the path is invalid";
        case CFileException::tooManyOpenFiles:
            return "too many files are open";
        case CFileException::accessDenied:
            return "access was denied";
        case CFileException::invalidFile:
            return "the file is not open";
        case CFileException::removeCurrentDir:
            return "the current directory cannot be removed";
        case CFileException::directoryFull:
            return "the directory is full";
        case CFileException::badSeek:
            return "the file position could not be set";
        case CFileException::hardIO:
            return "a hardware error occurred";
        case CFileException::sharingViolation:
            return "the file is in use";
        case CFileException::lockViolation:
            return "the file is locked";
        case CFileException::diskFull:
            return "the disk is full";
        case CFileException::endOfFile:
            return "the end of the file was reached";
        default:
            return "an unexpected error occurred";
    }
}

}  // namespace

CException::~CException() = default;

void CException::Delete() {
    delete this;
}

BOOL CException::GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer != nullptr && maxLength > 0) buffer[0] = '\0';
    return FALSE;
}

CFileException::CFileException(int cause, LONG osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

// Writes "<file>: <reason> (<system message>)", cut to maxLength - 1 bytes.
BOOL CFileException::GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext) const {
    if (helpContext != nullptr) *helpContext = 0;
    if (buffer == nullptr || maxLength == 0) return FALSE;
    std::string message = m_strFileName.IsEmpty() ? "" : m_strFileName.str() + ": ";
    message += reasonOf(m_cause);
    if (m_lOsError > 0) message += " (" + txr::systemErrorText(m_lOsError) + ")";
    const std::size_t length = std::min<std::size_t>(message.size(), maxLength - 1);
    std::memcpy(buffer, message.data(), length);
    buffer[length] = '\0';
    return TRUE;
}

void CFileException::ThrowOsError(LONG osError, const char* fileName) {
    throw new CFileException(OsErrorToException(osError), osError, fileName);
}
