#include "common/transfer/TransferMachine.h"

#include <algorithm>

#include "common/transfer/ResumeRequest.h"

namespace vard::transfer {

TransferMachine::TransferMachine(ITransferRequest& request, IFileSink& sink, TransferPlan plan, TransferHooks hooks)
    : request_(request),
      sink_(sink),
      plan_(std::move(plan)),
      hooks_(std::move(hooks)),
      append_(plan_.append),
      open_(plan_.sinkOpen),
      size_(plan_.size) {}

TransferOutcome TransferMachine::Run() {
  Step step = Step::kPrepare;
  while (step != Step::kDone) {
    switch (step) {
      case Step::kPrepare: step = Prepare(); break;
      case Step::kRequest: step = Request(); break;
      case Step::kPlace: step = Place(); break;
      case Step::kStream: step = Stream(); break;
      case Step::kSettle: step = Settle(); break;
      case Step::kDone: break;
    }
  }
  return outcome_;
}

TransferMachine::Step TransferMachine::End(TransferReason reason) {
  outcome_.reason = reason;
  outcome_.offset = onDisk_;
  outcome_.position = position_;
  outcome_.open = open_;
  return Step::kDone;
}

void TransferMachine::Placed(int64_t position) {
  position_ = position;
  if (hooks_.placed) hooks_.placed(position);
}

void TransferMachine::CloseSinkBetweenRequests() {
  if (!plan_.reopenEachRequest) return;
  sink_.Close();
  open_ = false;
}

bool TransferMachine::StartAnew() {
  append_ = false;
  stale_ = open_;
  position_ = 0;
  if (hooks_.anew) hooks_.anew();
  return turn_->Again(0);
}

TransferMachine::Step TransferMachine::Prepare() {
  if (sink_.Prepare() != OutputReady::kReady) return End(TransferReason::kBrokerUnreachable);
  url_ = plan_.url;
  headers_.clear();
  rangeFrom_.reset();
  onDisk_ = 0;
  if (append_) {
    if (!open_ && plan_.reopenEachRequest) {
      if (!sink_.Open(plan_.path, true)) return End(TransferReason::kOpenFailed);
      open_ = true;
    }
    if (open_) {
      onDisk_ = sink_.SeekToEnd();
      if (onDisk_ < 0) {
        onDisk_ = 0;
        return End(TransferReason::kSizeUnknown);
      }
    }
    ResumeAsk ask = ResumeFrom(plan_.url, onDisk_, plan_.resumeByQuery);
    url_ = std::move(ask.url);
    headers_ = std::move(ask.header);
    rangeFrom_ = ask.rangeFrom;
    Placed(onDisk_);
    if (plan_.doneWhenOnDiskWhole && size_ >= 0 && onDisk_ >= size_) return End(TransferReason::kComplete);
  }
  if (!turn_) turn_.emplace(onDisk_);
  return Step::kRequest;
}

TransferMachine::Step TransferMachine::Request() {
  uint32_t status = 0;
  if (!request_.Open(url_, headers_, status)) return End(TransferReason::kConnectFailed);
  if (const auto refused = ReasonOfStatus(status)) {
    request_.Close();
    outcome_.status = status;
    return End(*refused);
  }
  rangeText_ = request_.ContentRange();
  length_.reset();
  if (const auto text = request_.ContentLength()) length_ = ParseContentLength(*text);
  return Step::kPlace;
}

TransferMachine::Step TransferMachine::Place() {
  place_ = PlaceBody({rangeFrom_, append_ && plan_.resumeByQuery, onDisk_,
                      rangeText_ ? std::optional<std::u16string_view>(*rangeText_) : std::nullopt, length_, size_});
  if (place_.target == BodyTarget::kUnusable) {
    request_.Close();
    outcome_.detail = *rangeText_;
    return End(TransferReason::kUnusableRange);
  }
  if (place_.target == BodyTarget::kRefetch) {
    // Not where the file can take it: the whole file, asked for anew (the
    // file is emptied by the answer that is the file).
    const std::u16string range = rangeText_.value_or(u"");
    if (hooks_.refetching) hooks_.refetching(range, onDisk_);
    request_.Close();
    CloseSinkBetweenRequests();
    if (!StartAnew()) {
      outcome_.detail = range;
      return End(TransferReason::kMisplacedRange);
    }
    return Step::kPrepare;
  }
  if (hooks_.from) {
    const std::u16string answered = request_.Url();
    hooks_.from(answered.empty() || answered == url_ ? plan_.url : answered);
  }
  // The file is made, or emptied, only now that the answer is the file.
  if (!open_) {
    if (!sink_.Open(plan_.path, append_)) {
      request_.Close();
      return End(TransferReason::kOpenFailed);
    }
    open_ = true;
    Placed(onDisk_);
  } else if (stale_ || place_.target != BodyTarget::kAppend) {
    const int64_t at = place_.target == BodyTarget::kWriteAt ? place_.offset : 0;
    if (!sink_.SeekTo(at)) {
      request_.Close();
      return End(TransferReason::kCutFailed);
    }
    Placed(at);
  }
  stale_ = false;

  if (plan_.sizeFromAnswers) {
    // The size the answer gives the file: its range's total, or the end its
    // length names.
    std::optional<int64_t> announced;
    if (const auto range = rangeText_ ? ParseContentRange(*rangeText_) : std::nullopt) {
      if (range->total >= 0) announced = range->total;
    } else if (length_) {
      announced = place_.end;
    }
    if (announced && *announced != size_) {
      size_ = *announced;
      if (hooks_.sizeAnnounced) hooks_.sizeAnnounced(size_);
    }
  }
  if (hooks_.answered) hooks_.answered({length_, onDisk_, size_});
  return Step::kStream;
}

TransferMachine::Step TransferMachine::Stream() {
  bounds_.emplace(place_);
  readFailed_ = stopped_ = engineEnded_ = false;
  written_ = WriteResult::kWritten;
  int64_t cycleBytes = 0;
  const double frequency = plan_.clock ? static_cast<double>(plan_.clock->PerfFrequency()) : 1.0;
  for (;;) {
    if (hooks_.stop && hooks_.stop()) {
      stopped_ = true;
      break;
    }
    const int64_t started = plan_.clock ? plan_.clock->PerfCounter() : 0;
    const auto available = request_.Available();
    if (!available) {
      readFailed_ = true;
      break;
    }
    // Nothing waiting yet is not the end of the body: a read waits for the
    // next bytes, and only a read that brings none ends it.
    const uint32_t wanted = *available > 0 ? *available : kReadWhenNoneWaits;
    const uint32_t n = hooks_.blockCap ? std::min(wanted, hooks_.blockCap()) : wanted;
    if (buffer_.size() < static_cast<size_t>(n) + 1) buffer_.resize(static_cast<size_t>(n) + 1);
    uint32_t r = 0;
    if (n > 0) {
      const auto got = request_.Read(buffer_.data(), n);
      if (!got) {
        readFailed_ = true;
        break;
      }
      r = std::min(*got, n);
    }
    const uint32_t allowed = bounds_->Take(r);
    const double seconds = plan_.clock ? (plan_.clock->PerfCounter() - started) / frequency : 0.0;
    if (hooks_.enterBlock) hooks_.enterBlock();
    if (allowed > 0) written_ = sink_.Write(buffer_.data(), allowed);
    const uint32_t written = allowed > 0 && written_ == WriteResult::kWritten ? allowed : 0;
    position_ += written;
    cycleBytes += written;
    if (hooks_.block) hooks_.block(*available, r, written, position_, seconds);
    if (hooks_.leaveBlock) hooks_.leaveBlock();
    if (r == 0 || bounds_->Surplus() || written_ != WriteResult::kWritten) break;
    // Retries start over only when the file grows past what this turn
    // already had, not for bytes that rewrite it.
    if (turn_->Beyond(position_) && hooks_.grew) hooks_.grew();
    if (cycleBytes >= plan_.cycleLimit) {
      engineEnded_ = true;
      break;
    }
    if (hooks_.paced) hooks_.paced(r, seconds);
  }
  request_.Close();
  if (written_ == WriteResult::kWritten) written_ = sink_.Flush();
  return Step::kSettle;
}

TransferMachine::Step TransferMachine::Settle() {
  // A read broken by the engine's own stop is the stop, not a failure.
  if (written_ == WriteResult::kWritten && hooks_.cancelled && hooks_.cancelled()) return End(TransferReason::kStopped);
  const bool whole = bounds_->WholeFileAgain();
  const auto broken = [&](TransferReason reason) {
    if (turn_->Beyond(position_) && hooks_.grew) hooks_.grew();
    return End(reason);
  };
  if (readFailed_) return broken(TransferReason::kBodyBroken);
  if (written_ == WriteResult::kLost) return broken(TransferReason::kBrokerLost);
  // More than the answer announced: the request is broken.
  if (bounds_->Surplus() && !whole) return broken(TransferReason::kOverlongBody);
  if (written_ == WriteResult::kFailed) return End(TransferReason::kWriteFailed);
  if (stopped_) return End(TransferReason::kStopped);
  if (whole) {
    // A query resume answered with the whole file: what it appended goes,
    // and the file starts anew with the next answer that is the file.
    if (!sink_.SeekTo(onDisk_)) return End(TransferReason::kCutFailed);
    Placed(onDisk_);
    CloseSinkBetweenRequests();
    return StartAnew() ? Step::kPrepare : End(TransferReason::kNoProgress);
  }
  if (hooks_.bodyEnded) hooks_.bodyEnded();
  CloseSinkBetweenRequests();
  // The body ended. Short of what its answer or the size announced, the
  // rest is asked for anew, as long as requests still move the file on.
  const bool reached = size_ >= 0 && position_ >= size_;
  if (!engineEnded_ && !bounds_->EndedShort() && (size_ < 0 || reached)) return End(TransferReason::kComplete);
  if (engineEnded_ && reached) return End(TransferReason::kComplete);
  if (!turn_->Again(position_, engineEnded_)) return End(TransferReason::kNoProgress);
  append_ = true;
  return Step::kPrepare;
}

}  // namespace vard::transfer
