// The server's side of TLS: a certificate and its private key loaded into an
// OpenSSL context, and a self-signed pair made once for a server that was
// given none.
#pragma once

#include <string>

struct ssl_ctx_st;

namespace orv::cimxml {

class TlsContext {
public:
    // Loads the certificate chain and key (PEM). Throws std::runtime_error
    // naming the file and OpenSSL's reason when either cannot be used.
    TlsContext(const std::string& certificateFile, const std::string& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* native() const { return context_; }

private:
    ssl_ctx_st* context_ = nullptr;
};

// Makes a self-signed certificate for `hostName` (and localhost, 127.0.0.1,
// ::1) with a new key at the two paths, unless both exist already; the key
// file is readable by its owner only. Returns true when it made them.
// Throws std::runtime_error when only one of them exists or they cannot be
// written.
bool makeSelfSignedPairUnlessPresent(const std::string& certificateFile, const std::string& keyFile,
                                     const std::string& hostName);

}  // namespace orv::cimxml
