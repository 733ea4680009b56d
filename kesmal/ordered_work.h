#pragma once
// Jobs handed to a fixed set of threads in turn and collected in the order
// they were handed, so that a batch written on several threads comes out as
// one thread would write it. Each thread keeps its own slot (its job, its
// buffers, its result), used again job after job, so memory stays flat.
//
// Built with KESMAL_NO_THREADS (the WebAssembly build, whose runtime has no
// threads), each job runs in Start on the caller's thread, in the same order.
#include <memory>
#include <vector>
#ifndef KESMAL_NO_THREADS
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#endif

namespace kesmal {

#ifdef KESMAL_NO_THREADS
template <typename Slot>
class OrderedWork {
 public:
  template <typename MakeSlot>
  OrderedWork(unsigned, MakeSlot makeSlot) : slot_(makeSlot()) {}

  template <typename Collect>
  Slot& Next(Collect collect) {
    Drain(collect);
    return slot_;
  }
  void Start() {
    slot_.Work();
    uncollected_ = true;
  }
  template <typename Collect>
  void Drain(Collect collect) {
    if (uncollected_) collect(slot_);
    uncollected_ = false;
  }

 private:
  Slot slot_;
  bool uncollected_ = false;
};
#else

// A Slot has `void Work()`, run on its thread for each job.
template <typename Slot>
class OrderedWork {
 public:
  template <typename MakeSlot>
  OrderedWork(unsigned threads, MakeSlot makeSlot) {
    for (unsigned i = 0; i < threads; ++i) {
      auto& entry = *entries_.emplace_back(std::make_unique<Entry>(makeSlot()));
      entry.thread = std::jthread([this, &entry](std::stop_token stop) { Run(entry, stop); });
    }
  }

  // The slot next in turn, once its last job is done and collected; fill in
  // its job, then Start it.
  template <typename Collect>
  Slot& Next(Collect collect) {
    Entry& entry = *entries_[next_];
    Finish(entry, collect);
    return entry.slot;
  }
  void Start() {
    Entry& entry = *entries_[next_];
    {
      const std::lock_guard lock(mutex_);
      entry.busy = entry.uncollected = true;
    }
    changed_.notify_all();
    next_ = (next_ + 1) % entries_.size();
  }

  // Collects every job started, the oldest first.
  template <typename Collect>
  void Drain(Collect collect) {
    for (std::size_t i = 0; i < entries_.size(); ++i)
      Finish(*entries_[(next_ + i) % entries_.size()], collect);
  }

 private:
  struct Entry {
    explicit Entry(Slot&& made) : slot(std::move(made)) {}
    Slot slot;
    bool busy = false;         // working on its job
    bool uncollected = false;  // holds a result not yet collected
    std::jthread thread;       // last, so that it stops before the rest goes
  };

  void Run(Entry& entry, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [&] { return entry.busy; })) {
      lock.unlock();
      entry.slot.Work();
      lock.lock();
      entry.busy = false;
      changed_.notify_all();
    }
  }

  template <typename Collect>
  void Finish(Entry& entry, Collect& collect) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !entry.busy; });
    }
    if (!entry.uncollected) return;
    collect(entry.slot);
    entry.uncollected = false;
  }

  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<std::unique_ptr<Entry>> entries_;  // after what their threads use
  std::size_t next_ = 0;                         // the slot the next job goes to
};
#endif

}  // namespace kesmal
