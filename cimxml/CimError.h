// Failures on the way through the server. A CimError becomes an ERROR
// element in an otherwise normal response; a ProtocolError rejects the
// HTTP request itself (status code plus the CIMError header).
#pragma once

#include <stdexcept>
#include <string>

namespace orv::cimxml {

// CIM status codes used by the server itself.
enum CimStatus : int {
    kCimErrFailed = 1,
    kCimErrAccessDenied = 2,
    kCimErrInvalidNamespace = 3,
    kCimErrInvalidParameter = 4,
    kCimErrInvalidClass = 5,
    kCimErrNotFound = 6,
    kCimErrNotSupported = 7,
    kCimErrAlreadyExists = 11,
    kCimErrNoSuchProperty = 12,
    kCimErrTypeMismatch = 13,
    kCimErrMethodNotAvailable = 16,
    kCimErrMethodNotFound = 17,
};

class CimError : public std::runtime_error {
public:
    CimError(int code, const std::string& description)
        : std::runtime_error(description), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class ProtocolError : public std::runtime_error {
public:
    // httpStatus 400 or 501; cimError the CIMError header value
    // ("request-not-well-formed", "request-not-valid", "unsupported-operation"...).
    ProtocolError(int httpStatus, std::string cimError, const std::string& description)
        : std::runtime_error(description), httpStatus_(httpStatus), cimError_(std::move(cimError)) {}
    int httpStatus() const { return httpStatus_; }
    const std::string& cimError() const { return cimError_; }

private:
    int httpStatus_;
    std::string cimError_;
};

}  // namespace orv::cimxml
