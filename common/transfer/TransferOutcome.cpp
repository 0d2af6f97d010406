#include "common/transfer/TransferOutcome.h"

#include "common/transfer/BodyPlacement.h"

namespace vard::transfer {

bool ShouldRetry(TransferReason r) {
  switch (r) {
    case TransferReason::kServerError:
    case TransferReason::kOverlongBody:
    case TransferReason::kMisplacedRange:
    case TransferReason::kNoProgress:
      return true;
    case TransferReason::kBrokerUnreachable:
      return false;  // already tried to start it; asking again is the person's call
    default:
      break;
  }
  const ReasonGroup g = GroupOf(r);
  return g == ReasonGroup::kNetwork || g == ReasonGroup::kBroker;
}

std::optional<TransferReason> ReasonOfStatus(uint32_t status) {
  switch (status) {
    case 401: return TransferReason::kUnauthorized;
    case 403: return TransferReason::kForbidden;
    case 404: return TransferReason::kNotFound;
    case 416: return TransferReason::kRangeNotSatisfiable;
    default: break;
  }
  switch (ClassifyStatus(status)) {
    case AnswerClass::kClientError: return TransferReason::kClientError;
    case AnswerClass::kServerError: return TransferReason::kServerError;
    case AnswerClass::kBody: break;
  }
  return std::nullopt;
}

}  // namespace vard::transfer
