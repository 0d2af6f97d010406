#include "common/http/testing/TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace vard::http_testing {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificates: ") + what);
}

// RSA: the Windows TLS stack under Wine takes it without questions.
EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_RSA_gen(2048);
  Check(key != nullptr, "key generation");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  Check(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
  X509_EXTENSION_free(ext);
}

// A certificate for `key` named `commonName`, signed by `issuerKey` in the
// name of `issuer` (itself when null). A random serial keeps certificates
// of earlier runs from being taken for this one.
X509* NewCertificate(const char* commonName, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey,
                     bool authority, const char* altNames) {
  X509* cert = X509_new();
  Check(cert != nullptr, "allocation");
  unsigned char serial[8];
  Check(RAND_bytes(serial, sizeof serial) == 1, "serial");
  serial[0] &= 0x7F;  // positive
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
  BN_free(number);
  X509_set_version(cert, 2);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 30L * 24 * 3600);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Vard loopback tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName),
                             -1, -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : cert;
  AddExtension(cert, signer, NID_subject_key_identifier, "hash");
  if (issuer) AddExtension(cert, signer, NID_authority_key_identifier, "keyid:always");
  if (authority) {
    AddExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    AddExtension(cert, signer, NID_ext_key_usage, "serverAuth");
    AddExtension(cert, signer, NID_subject_alt_name, altNames);
  }
  Check(X509_sign(cert, issuerKey, EVP_sha256()) > 0, "signature");
  return cert;
}

std::string Pem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  Check(bio != nullptr && PEM_write_bio_X509(bio, cert) == 1, "PEM");
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(n));
  BIO_free(bio);
  return pem;
}

}  // namespace

TestCertificates::TestCertificates() {
  try {
    authorityKey_ = NewKey();
    serverKey_ = NewKey();
    // The address also as a host name: the Windows name check under Wine
    // looks at host names only.
    constexpr char kLoopback[] = "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost";
    authority_ = NewCertificate("Vard test authority", authorityKey_, nullptr, authorityKey_, true, nullptr);
    trusted_ = NewCertificate("127.0.0.1", serverKey_, authority_, authorityKey_, false, kLoopback);
    wrongName_ = NewCertificate("elsewhere.invalid", serverKey_, authority_, authorityKey_, false,
                                "DNS:elsewhere.invalid");
    selfSigned_ = NewCertificate("127.0.0.1", serverKey_, nullptr, serverKey_, false, kLoopback);
    authorityPem_ = Pem(authority_);
  } catch (...) {
    Free();
    throw;
  }
}

TestCertificates::~TestCertificates() { Free(); }

void TestCertificates::Free() {
  X509_free(selfSigned_);
  X509_free(wrongName_);
  X509_free(trusted_);
  X509_free(authority_);
  EVP_PKEY_free(serverKey_);
  EVP_PKEY_free(authorityKey_);
  selfSigned_ = wrongName_ = trusted_ = authority_ = nullptr;
  serverKey_ = authorityKey_ = nullptr;
}

}  // namespace vard::http_testing
