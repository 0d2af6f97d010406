#pragma once
// The upload routes of the loopback test server, one store per name so that
// tests never see each other's files or request numbers:
//
//   POST /upload/<store>                the action URL: getFileInfo, attachFile,
//                                       anything else is recorded and answered "ok"
//        ?fail=<k>:<status>[,...]       request k of the store answered with that
//                                       status, nothing stored
//        ?cut=<k>:<bytes>[,...]         request k dropped without an answer after
//                                       that many body bytes
//        ?answer=<text>                 getFileInfo answered with this text
//   GET  /_upload/<store>/hold?name=<key>&size=<n>[&time=<seconds>]
//                                       the store holds the first n data bytes
//                                       (TestData.h) under <key>
//   GET  /_upload/<store>/file?name=<key>   the assembled bytes, 404 when none
//   GET  /_upload/<store>/folder?name=<key> "yes" when a folder was made
//   GET  /_upload/<store>/log           one UploadRecord line per request
//   GET  /_upload/<store>/forget        drops the store and what it holds
//
// Keys are "<folder>/<name>", or "<name>" without a folder.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "common/http/testing/UploadStore.h"

namespace httplib {
class Server;
}

namespace vard::http_testing {

class UploadStores {
 public:
  std::shared_ptr<UploadStore> Get(const std::string& name);
  void Forget(const std::string& name);

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<UploadStore>> stores_;
};

void AddUploadRoutes(httplib::Server& server, UploadStores& stores);

}  // namespace vard::http_testing
