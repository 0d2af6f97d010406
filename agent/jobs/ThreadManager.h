#pragma once
// The worker thread classes the agent's views share: starting and stopping
// the thread, the stop flag, the transfer lock, the status notifications and
// the counters a view reads for its progress display. A view owns one
// worker and drives it from its UI thread; the worker's run executes on its
// own std::thread. Stopping is cooperative: the run polls `stop_requested`.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "agent/ListEntries.h"
#include "common/platform/Clock.h"
#include "common/transfer/ExistingFileAnswer.h"

namespace vard {

class IWorkerDialogs;

// What a worker tells its view, through the status callback.
enum VARD_THREAD_STATUS : int32_t {
  kStatusRunStart = 0,
  kStatusAskInfoBefore = 1,  // upload: before the getFileInfo request
  kStatusAskInfoAfter = 2,   // upload: after it
  kStatusFileStart = 3,      // also after a save-as rename (new name to show)
  kStatusFileEnd = 4,        // any outcome
  kStatusPartBefore = 5,     // upload: before each part request
  kStatusPartAfter = 6,      // upload: after it
  kStatusRunEnd = 7,
};

// Owns the thread and its running mark (1 from Start until the run returns
// or StopAndWait has joined it).
class CThreadManager {
 public:
  CThreadManager() = default;
  virtual ~CThreadManager();  // joins a thread still alive (derived classes stop it first)
  CThreadManager(const CThreadManager&) = delete;
  CThreadManager& operator=(const CThreadManager&) = delete;

  // Starts the run on a new thread unless one is running; a second start
  // while running does nothing. A finished thread is joined first.
  void Start();
  bool IsRunning() const { return running_.load() != 0; }
  bool HasThread() const { return thread_.joinable(); }
  // True on the thread of the current run.
  bool OnRunThread() const { return runThread_.load() == std::this_thread::get_id(); }

 protected:
  // The thread body. Exceptions that escape it end the run quietly.
  virtual void Run() = 0;
  // Waits without a limit for the thread to leave its run, then clears the
  // running mark. Never call from the worker thread itself.
  void Join();

 private:
  void Entry();

  std::thread thread_;
  std::atomic<uint8_t> running_{0};
  std::atomic<std::thread::id> runThread_{};
};

class CInternetThreadBase;

// The transfer lock: re-entrant on one thread, like a critical section.
// The worker's outermost take is its safe point: while its view has asked
// for a pause the worker waits there (on the clock) holding nothing, so the
// UI thread never has to hold the lock to keep it still.
class TransferMutex {
 public:
  explicit TransferMutex(CInternetThreadBase& owner) : owner_(owner) {}
  void lock();
  bool try_lock();
  void unlock();

 private:
  CInternetThreadBase& owner_;
  std::recursive_mutex mutex_;
  int workerDepth_ = 0;  // the worker's nested takes; its thread only
};

class CInternetThreadBase : public CThreadManager {
 public:
  using StatusCallback = std::function<void(VARD_THREAD_STATUS)>;

  // Thrown by a per-file step when the user stopped the run or a write
  // failed; the run catches it and gives the entry status 2.
  struct ExceptionPause {};

  // How long a worker going away gives its run, twice: to stop by itself,
  // then with its network handles closed (as StopWithin).
  static constexpr uint32_t kEndGraceMs = 2000;
  // What is done with a run still blocked after that: the process is ending,
  // so by default it ends at once (kStuckRunExitCode), without waiting.
  using StuckRunHandler = std::function<void()>;
  static constexpr int kStuckRunExitCode = 2;

  CInternetThreadBase(StatusCallback callback, platform::IClock& clock);
  ~CInternetThreadBase() override;  // StopForGood

  // UI thread: sets `stop_requested`, waits for the run to end, clears it.
  void StopAndWait();
  // UI thread, where a person waits (Stop, Remove): as StopAndWait, but a run
  // still going after kEndGraceMs has its network handles closed first.
  void StopPromptly();
  // UI thread: stops the run within a bound. The run gets `graceMs` on the
  // clock to stop by itself; then its network handles are closed
  // (AbortBlockingCalls) so that a call blocked on them returns, and it gets
  // `graceMs` again. True when the run ended; false leaves it with its stop
  // request set (the process is about to end).
  bool StopWithin(uint32_t graceMs);
  // The view or the worker goes away: StopWithin(kEndGraceMs); a run still
  // blocked then goes to the stuck-run handler, and is joined only if that
  // returns (tests release it). Safe to call more than once.
  void StopForGood();
  void SetStuckRunHandler(StuckRunHandler handler) { stuckRun_ = std::move(handler); }

  // UI thread: the run stops at its next block and waits there until
  // ResumeFromPause or a stop; `alive` is 0 meanwhile.
  void RequestPause();
  void ResumeFromPause();
  bool PauseRequested() const { return pause_requested.load() != 0; }
  // True while the run waits at its safe point.
  bool WaitingAtPause() const { return waitingAtPause_.load(); }
  // Worker thread: waits while a pause is asked for (and no stop).
  void WaitWhilePaused();

  // The lock held across one block's read and write; the view takes it to
  // read counters and `bytes_done`, and to change the list. Never held
  // across a wait for the UI thread.
  void EnterTransferLock() { transferLock_.lock(); }
  void LeaveTransferLock() { transferLock_.unlock(); }
  using TransferGuard = std::lock_guard<TransferMutex>;
  TransferMutex& TransferLock() { return transferLock_; }

  platform::IClock& Clock() { return clock_; }

  // Worker thread: tells the view. Returns within the callback's bound.
  void SendStatus(VARD_THREAD_STATUS status);

  // 1 from construction; a view clears it while it pauses the worker to
  // change the list (the rate-limit sleep ends early when it is 0).
  std::atomic<uint8_t> alive{1};
  // Written by the UI thread, polled by the worker between blocks, inside
  // sleeps and after each file.
  std::atomic<uint8_t> stop_requested{0};
  // Written by the UI thread: the run waits at its next block.
  std::atomic<uint8_t> pause_requested{0};

 protected:
  // Any thread: closes the run's network handles so that a blocked call
  // returns with an error. Workers without a network have none.
  virtual void AbortBlockingCalls() {}

 private:
  StatusCallback callback_;
  platform::IClock& clock_;
  StuckRunHandler stuckRun_;
  // The run's handles were closed once: a later stop does not give it the
  // first grace period again.
  std::atomic<bool> aborted_{false};
  TransferMutex transferLock_{*this};
  std::atomic<bool> waitingAtPause_{false};
};

// Progress counters and list position of a worker. Fields marked "lock"
// are read and written under the transfer lock by both threads.
class CInternetThreadImpl : public CInternetThreadBase {
 public:
  static constexpr int32_t kDefaultPartSize = 5242880;

  // `entries` is the view's list (changed by the view only under the
  // transfer lock); `dialogs` ask the view's questions on its UI thread.
  CInternetThreadImpl(EntryList& entries, IWorkerDialogs& dialogs, StatusCallback callback,
                      platform::IClock& clock);

  EntryList& Entries() { return *entries_; }
  IWorkerDialogs& Dialogs() { return *dialogs_; }

  // Worker thread, takes the lock: the entry at the current index, or null
  // when the index has passed the end of the list.
  std::shared_ptr<UPLOAD_INFO> CurrentEntry();
  // Worker thread, takes the lock: moves the index to the next entry.
  void AdvanceIndex();
  // Clears the run counters (`run_bytes`, `run_seconds`) for a new run.
  void ResetRunCounters();

  int32_t part_size = kDefaultPartSize;  // upload: set from each entry
  int64_t run_bytes = 0;                 // lock: bytes moved since the run started
  double run_seconds = 0;                // lock: seconds spent moving them
  int32_t index = 0;                     // lock: list position the next run starts at
  uint8_t apply_to_all = 0;              // upload: the duplicate answer holds for all
  int32_t duplicate_action = 0;          // the remembered existing_file answer, 0 until asked
  int64_t job_bytes_done = 0;            // lock: bytes counted for the whole list
  int64_t job_total = 0;                 // lock: the list's total size

 private:
  EntryList* entries_;
  IWorkerDialogs* dialogs_;
};

}  // namespace vard
