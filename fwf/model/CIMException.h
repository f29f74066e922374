// The framework's one exception: a CIM status code and a message. Thrown by
// value, caught by reference; the CMPI adapter turns it into a CMPI status.
#pragma once

#include <string>

namespace orv::cim::fwf {

class CIMException {
public:
    CIMException(int code, std::string message);
    // printf-style message; the formatted text is cut at 1,023 characters.
    CIMException(int code, const char* format, ...) __attribute__((format(printf, 3, 4)));

    int getCode() const { return code_; }
    const std::string& getMessage() const { return message_; }

private:
    int code_;
    std::string message_;
};

}  // namespace orv::cim::fwf
