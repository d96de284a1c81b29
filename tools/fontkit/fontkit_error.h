// The one error type the font kit throws: a message a user can act on (file, line, what is wrong).
#pragma once

#include <stdexcept>
#include <string>

namespace txr::fontkit {

class FontKitError : public std::runtime_error {
  public:
    explicit FontKitError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace txr::fontkit
