#include "CIMException.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace orv::cim::fwf {

CIMException::CIMException(int code, std::string message) : code_(code), message_(std::move(message)) {}

CIMException::CIMException(int code, const char* format, ...) : code_(code) {
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    message_ = buffer;
}

}  // namespace orv::cim::fwf
