#pragma once
// One item's turn of a transfer, as both download engines run it: prepare
// (the sink, what is on disk, the resume request), request (the answer's
// status), place (where the body goes, the file opened or cut only now),
// stream (read, bound, write) and settle (whole, ask again, or end). It
// ends in a typed outcome; the engine maps that to its statuses and log
// lines in one place. What differs between the engines comes in as plan
// data and hooks.
//
// Made by an engine for one turn and run on its worker thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/Clock.h"
#include "common/transfer/BodyBounds.h"
#include "common/transfer/BodyPlacement.h"
#include "common/transfer/FileSink.h"
#include "common/transfer/TransferOutcome.h"
#include "common/transfer/TransferRequest.h"
#include "common/transfer/TurnProgress.h"

namespace vard::transfer {

struct TransferPlan {
  std::u16string url;   // as it goes out (a resume adds its parameter)
  std::u16string path;  // the file
  bool append = false;  // what is on disk is kept and the rest asked for
  bool resumeByQuery = false;
  int64_t size = -1;    // the whole file's size; -1 when unknown
  // An answer's Content-Range total or Content-Length replaces `size`.
  bool sizeFromAnswers = false;
  // The sink is closed after every request, and a file to append to is
  // opened again for its size before the next; otherwise it stays open and
  // a file to append to is opened by the engine beforehand (`sinkOpen`).
  bool reopenEachRequest = false;
  bool sinkOpen = false;
  // A file to append to that already holds `size` bytes is the item,
  // without a request.
  bool doneWhenOnDiskWhole = false;
  // Body bytes one request may bring before the rest is asked for anew.
  int64_t cycleLimit = INT64_MAX;
  // Times each read, for a rate limit; none: reads take no time.
  platform::IClock* clock = nullptr;
};

// What an answer that is the file said, as it is about to be streamed.
struct Answer {
  std::optional<int64_t> length;  // its Content-Length
  int64_t onDisk = 0;             // bytes on disk when it was asked for
  int64_t size = -1;              // the file's size as now known
};

// Every hook may stay empty.
struct TransferHooks {
  // Asked before each read: true stops the body (the person's stop).
  std::function<bool()> stop;
  // Asked once a body is over: true ends the turn as stopped, unless a
  // write failed.
  std::function<bool()> cancelled;
  // Most bytes one read may take (a rate limit's block).
  std::function<uint32_t()> blockCap;
  // The file's end is now `position`, without new bytes (what a resume
  // found on disk, a cut, a file made anew).
  std::function<void(int64_t position)> placed;
  // What was counted no longer counts: the file starts anew with the next
  // answer that is the file.
  std::function<void()> anew;
  std::function<void(int64_t size)> sizeAnnounced;
  std::function<void(const Answer&)> answered;
  // The answer that is the file came from `url`: the one after its
  // redirects, else the plan's (a resume's parameter left out). Called
  // before the file is made, opened or cut for it, so that a mark written
  // with the file names where its bytes came from.
  std::function<void(const std::u16string& url)> from;
  // A Content-Range not asked for, and not joining the file: asked anew.
  std::function<void(const std::u16string& range, int64_t onDisk)> refetching;
  // One read: what was available and read, what reached the sink, where
  // the file's end is now, and how long the read took.
  std::function<void(uint32_t available, uint32_t read, uint32_t written, int64_t position, double seconds)> block;
  // Taken before a block's write and left after its `block` report, so
  // that the write and the counters move together (the agent's transfer
  // lock, which its view holds while it asks a question).
  std::function<void()> enterBlock;
  std::function<void()> leaveBlock;
  // After a block that the body goes on from (a rate limit waits here).
  std::function<void(uint32_t read, double seconds)> paced;
  // The file grew past every end this turn had reached.
  std::function<void()> grew;
  // A body ended where its answer said, or where the engine ended it.
  std::function<void()> bodyEnded;
};

class TransferMachine {
 public:
  TransferMachine(ITransferRequest& request, IFileSink& sink, TransferPlan plan, TransferHooks hooks);

  TransferOutcome Run();

  // Bytes a read asks for when none are waiting yet.
  static constexpr uint32_t kReadWhenNoneWaits = 16384;

 private:
  enum class Step { kPrepare, kRequest, kPlace, kStream, kSettle, kDone };

  Step Prepare();
  Step Request();
  Step Place();
  Step Stream();
  Step Settle();
  Step End(TransferReason reason);
  // What was on disk no longer counts; false when the turn is over.
  bool StartAnew();
  void Placed(int64_t position);
  void CloseSinkBetweenRequests();

  ITransferRequest& request_;
  IFileSink& sink_;
  const TransferPlan plan_;
  const TransferHooks hooks_;
  TransferOutcome outcome_;

  bool append_;
  bool open_;
  bool stale_ = false;  // the open file holds bytes of an earlier answer past `position_`
  int64_t size_;
  int64_t position_ = 0;
  std::optional<TurnProgress> turn_;

  // This request's.
  std::u16string url_, headers_;
  std::optional<int64_t> rangeFrom_;
  int64_t onDisk_ = 0;
  std::optional<std::u16string> rangeText_;
  std::optional<int64_t> length_;
  Placement place_;
  std::optional<BodyBounds> bounds_;
  bool readFailed_ = false, stopped_ = false, engineEnded_ = false;
  WriteResult written_ = WriteResult::kWritten;
  std::vector<uint8_t> buffer_;
};

}  // namespace vard::transfer
