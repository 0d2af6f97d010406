#pragma once
// Certificates for the loopback test server's TLS listeners, made fresh
// when constructed: a test authority, a server certificate it issues for
// 127.0.0.1 (and localhost), one it issues for another name, and a
// self-signed one no client trusts. Valid from an hour ago for 30 days.
#include <string>

#include <openssl/types.h>

namespace vard::http_testing {

class TestCertificates {
 public:
  TestCertificates();
  ~TestCertificates();
  TestCertificates(const TestCertificates&) = delete;
  TestCertificates& operator=(const TestCertificates&) = delete;

  // What a client trusts: the authority's certificate.
  const std::string& AuthorityPem() const { return authorityPem_; }

  // Owned here; a server takes its own references.
  X509* Trusted() const { return trusted_; }
  X509* WrongName() const { return wrongName_; }
  X509* SelfSigned() const { return selfSigned_; }
  // The key of all three server certificates.
  EVP_PKEY* ServerKey() const { return serverKey_; }

 private:
  void Free();

  EVP_PKEY* authorityKey_ = nullptr;
  EVP_PKEY* serverKey_ = nullptr;
  X509* authority_ = nullptr;
  X509* trusted_ = nullptr;
  X509* wrongName_ = nullptr;
  X509* selfSigned_ = nullptr;
  std::string authorityPem_;
};

}  // namespace vard::http_testing
