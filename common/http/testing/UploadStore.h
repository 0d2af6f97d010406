#pragma once
// The upload side of the loopback test server: a store of files that
// answers getFileInfo from what it holds and assembles "attachFile" parts
// into files, as a page's upload server would. Requests are counted per
// store from 1, so a test can steer a given request (fail it, cut it) with
// a query on the action URL. Every request is recorded as the store saw it.
// Used by the server's threads: every member locks.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/http/testing/Multipart.h"

namespace vard::http_testing {

// One POST as the store saw it.
struct UploadRecord {
  int number = 0;  // from 1 in this store
  std::vector<std::pair<std::string, std::string>> fields;  // text fields, in order
  bool hasFile = false;
  bool fileFirst = false;     // the file section came before every field
  std::string fileName;       // the file section's filename parameter
  std::string contentType;    // the file section's Content-Type
  size_t dataLength = 0;
  std::string cookie;         // the Cookie header
  int status = 200;           // what was answered; 0 = cut without an answer
  bool wellFormed = true;     // the body parsed as multipart

  // The first field of that name, or empty.
  std::string Field(const std::string& name) const;
  bool HasField(const std::string& name) const;
  // One line of "key=value" items separated by tabs ("#"-keys are the
  // store's own facts); tabs, line ends and "\" in values are escaped.
  std::string Line() const;
  static UploadRecord FromLine(const std::string& line);
};

// What the action URL's query asks of one request.
struct UploadSteering {
  std::map<int, int> failWith;  // request number -> status, nothing stored
  std::map<int, size_t> cutAt;  // request number -> body bytes read before the cut
  std::optional<std::string> answer;  // getFileInfo answered with this text

  // "fail=3:503,5:500", "cut=2:1000", "answer=<text>" (already decoded).
  static UploadSteering FromQuery(const std::string& fail, const std::string& cut,
                                  const std::optional<std::string>& answer);
};

class UploadStore {
 public:
  // The next request's number.
  int Begin();
  // Answers a request whose body parsed into `parts` (or failed to);
  // `status` is set to what the answer's status must be.
  std::string Handle(int number, const std::optional<std::vector<MultipartPart>>& parts,
                     const std::string& cookie, const UploadSteering& steering, int& status);
  // A request cut after `bodyBytes`: recorded, nothing stored.
  void RecordCut(int number, const std::string& cookie, size_t bodyBytes);

  // Files by "<folder>/<name>" ("<name>" without a folder).
  void Hold(const std::string& key, std::string bytes, int64_t time);
  std::optional<std::string> File(const std::string& key) const;
  bool HasFolder(const std::string& key) const;
  std::vector<UploadRecord> Records() const;

  static std::string Key(const std::string& folder, const std::string& name);
  // The first of "base(1).ext", "base(2).ext" ... that is not held.
  std::string FreeName(const std::string& folder, const std::string& name) const;

 private:
  struct Held {
    std::string bytes;
    int64_t time = 0;
    std::map<int, size_t> partStarts;  // part number -> offset it began at
  };
  std::string FileInfo(const UploadRecord& r, const UploadSteering& steering);
  void Attach(const UploadRecord& r, std::string data);

  mutable std::mutex mutex_;
  int requests_ = 0;
  std::map<std::string, Held> files_;
  std::set<std::string> folders_;
  std::vector<UploadRecord> records_;
};

}  // namespace vard::http_testing
