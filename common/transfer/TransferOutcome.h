#pragma once
// How a transfer ended: one numbered table of reasons for both engines,
// grouped by where the fault lies (the hundreds), and the one rule of
// which of them are worth another turn. Engines map a reason to their own
// statuses and log lines; the numbers never change meaning.
#include <cstdint>
#include <optional>
#include <string>

namespace vard::transfer {

enum class TransferReason : int32_t {
  kComplete = 0,  // the file is whole, as far as any answer said

  // The network: no answer, or a body that broke off.
  kConnectFailed = 101,
  kBodyBroken = 102,

  // The server: answers that are not the file, or not usable as it.
  kUnauthorized = 201,         // 401
  kForbidden = 202,            // 403
  kNotFound = 203,             // 404
  kRangeNotSatisfiable = 204,  // 416
  kClientError = 205,          // any other 4xx
  kServerError = 206,          // 5xx: it may recover
  kUnusableRange = 207,        // a Content-Range that cannot be read
  kOverlongBody = 208,         // more bytes than the answer announced
  kMisplacedRange = 209,       // ranges not asked for, until the turn ran out
  kNoProgress = 210,           // requests stopped moving the end of the file

  // The file: the sink refused.
  kOpenFailed = 301,
  kSizeUnknown = 302,  // the open file could not tell its size
  kCutFailed = 303,
  kWriteFailed = 304,

  // The broker that writes for the engine.
  kBrokerUnreachable = 401,
  kBrokerLost = 402,

  // The person: stopped or cancelled.
  kStopped = 501,
};

enum class ReasonGroup { kNone, kNetwork, kServer, kFile, kBroker, kPerson };

constexpr ReasonGroup GroupOf(TransferReason r) {
  switch (static_cast<int32_t>(r) / 100) {
    case 1: return ReasonGroup::kNetwork;
    case 2: return ReasonGroup::kServer;
    case 3: return ReasonGroup::kFile;
    case 4: return ReasonGroup::kBroker;
    case 5: return ReasonGroup::kPerson;
    default: return ReasonGroup::kNone;
  }
}

// Whether another turn, later, may end otherwise: the network, a server
// that may recover or misbehaved in this turn, a broker that went away.
// Answers that say no, file faults and the person's stop are final.
bool ShouldRetry(TransferReason r);

// The reason an answer's status gives; none for an answer that is a body.
std::optional<TransferReason> ReasonOfStatus(uint32_t status);

struct TransferOutcome {
  TransferReason reason = TransferReason::kComplete;
  uint32_t status = 0;     // the answer's status, for the answers that are not the file
  std::u16string detail;   // the Content-Range text of a range reason
  int64_t offset = 0;      // bytes on disk when the last request was made
  int64_t position = 0;    // the file's end as the transfer counts it (0 once it starts anew)
  bool open = false;       // the sink still holds the file open
};

}  // namespace vard::transfer
