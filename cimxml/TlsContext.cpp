#include "TlsContext.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace orv::cimxml {

namespace {

std::string opensslReason() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "unknown reason";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + opensslReason()); }

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Freer<X509, X509_free>>;

void addExtension(X509* cert, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (!extension) fail("cannot make the certificate extension " + value);
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

CertPtr selfSigned(EVP_PKEY* key, const std::string& hostName) {
    CertPtr cert(X509_new());
    X509_set_version(cert.get(), 2);
    std::unique_ptr<BIGNUM, Freer<BIGNUM, BN_free>> serial(BN_new());
    BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY);
    BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get()));
    // An hour back, for clients whose clocks lag; ten years on, since
    // nobody renews a pair nobody asked for.
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto text = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); };
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, text("orv-cimserver (self-signed)"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, text(hostName), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    std::string names = "DNS:localhost,IP:127.0.0.1,IP:::1";
    if (hostName != "localhost") names = "DNS:" + hostName + "," + names;
    addExtension(cert.get(), NID_subject_alt_name, names);
    // Its own authority, so that a client can trust it by naming the file.
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert.get(), NID_subject_key_identifier, "hash");
    if (X509_sign(cert.get(), key, EVP_sha256()) == 0) fail("cannot sign the certificate");
    return cert;
}

// Writes through a new file of the given mode, renamed over `path` once
// complete, so that a reader never sees half a file.
template <class Write>
void writeFile(const std::string& path, mode_t mode, Write write) {
    const std::string temporary = path + ".new." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) throw std::runtime_error("cannot write " + temporary + ": " + std::strerror(errno));
    ::fchmod(fd, mode);  // whatever the umask
    FILE* file = ::fdopen(fd, "w");
    const bool written = file && write(file);
    const bool closed = file ? std::fclose(file) == 0 : ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

TlsContext::TlsContext(const std::string& certificateFile, const std::string& keyFile) {
    context_ = SSL_CTX_new(TLS_server_method());
    if (!context_) fail("cannot set up TLS");
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION | SSL_OP_NO_COMPRESSION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    try {
        if (SSL_CTX_use_certificate_chain_file(context_, certificateFile.c_str()) != 1)
            fail("cannot use the certificate " + certificateFile);
        if (SSL_CTX_use_PrivateKey_file(context_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
            fail("cannot use the private key " + keyFile);
        if (SSL_CTX_check_private_key(context_) != 1)
            fail("the private key " + keyFile + " does not belong to " + certificateFile);
    } catch (...) {
        SSL_CTX_free(context_);
        throw;
    }
}

TlsContext::~TlsContext() { SSL_CTX_free(context_); }

bool makeSelfSignedPairUnlessPresent(const std::string& certificateFile, const std::string& keyFile,
                                     const std::string& hostName) {
    namespace fs = std::filesystem;
    for (const auto& file : {certificateFile, keyFile}) {
        const fs::path folder = fs::absolute(file).parent_path();
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) throw std::runtime_error("cannot make " + folder.string() + ": " + error.message());
    }
    // Two servers starting together from one installation make one pair.
    const int lock = ::open(fs::absolute(keyFile).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock() {
            if (fd >= 0) ::close(fd);
        }
    } unlock{lock};

    const bool haveCertificate = fs::exists(certificateFile);
    const bool haveKey = fs::exists(keyFile);
    if (haveCertificate && haveKey) return false;
    if (haveCertificate || haveKey)
        throw std::runtime_error("found " + (haveCertificate ? certificateFile : keyFile) + " without " +
                                 (haveCertificate ? keyFile : certificateFile) +
                                 "; give both files, or remove the one left to have a new pair made");

    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) fail("cannot make a key");
    const CertPtr cert = selfSigned(key.get(), hostName);
    writeFile(keyFile, 0600, [&](FILE* f) {
        return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
    writeFile(certificateFile, 0644, [&](FILE* f) { return PEM_write_X509(f, cert.get()) == 1; });
    return true;
}

}  // namespace orv::cimxml
