#include "export/frame_pipeline.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

namespace pw {

namespace {

using Status = PipelineResult::Status;
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

struct Made {
  bool ok = false;
  std::string bytes, err;
};

// Calls `f`, turning an escaping exception into a failure with a reason.
template <class F>
bool guarded(F&& f, std::string& err) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    err = "out of memory";
  } catch (const std::exception& e) {
    err = e.what();
  } catch (...) {
    err = "unexpected failure";
  }
  return false;
}

// The state the threads share, all behind one mutex.
class Board {
 public:
  Board(int64_t total, int64_t ahead) : total_(total), ahead_(ahead) {}

  // The next frame index for a worker, or -1 once there is nothing more to do.
  int64_t claim() {
    std::unique_lock lock(m_);
    workCv_.wait(lock, [&] { return stop_ || next_ >= total_ || next_ < taken_ + ahead_; });
    if (stop_ || next_ >= total_) return -1;
    return next_++;
  }
  void put(int64_t k, Made made) {
    {
      const std::lock_guard lock(m_);
      made_.emplace(k, std::move(made));
    }
    readyCv_.notify_one();
  }
  // Waits up to `wait` for frame k; false when it is not there yet.
  bool take(int64_t k, Made& out, std::chrono::milliseconds wait) {
    std::unique_lock lock(m_);
    if (!readyCv_.wait_for(lock, wait, [&] { return made_.count(k) != 0; })) return false;
    auto it = made_.find(k);
    out = std::move(it->second);
    made_.erase(it);
    taken_ = k + 1;
    lock.unlock();
    workCv_.notify_all();
    return true;
  }
  void stop() {
    {
      const std::lock_guard lock(m_);
      stop_ = true;
    }
    workCv_.notify_all();
  }

 private:
  std::mutex m_;
  std::condition_variable workCv_, readyCv_;
  const int64_t total_, ahead_;
  int64_t next_ = 0;   // next index to hand to a worker
  int64_t taken_ = 0;  // indexes below this went to the sink
  bool stop_ = false;
  std::map<int64_t, Made> made_;
};

// Stops and joins the threads on every way out.
class Crew {
 public:
  explicit Crew(Board& b) : board_(b) {}
  ~Crew() {
    board_.stop();
    for (std::thread& t : threads_) t.join();
  }
  Crew(const Crew&) = delete;
  Crew& operator=(const Crew&) = delete;
  template <class F>
  void start(F&& f) { threads_.emplace_back(std::forward<F>(f)); }

 private:
  Board& board_;
  std::vector<std::thread> threads_;
};

}  // namespace

std::vector<int64_t> frameRange(int64_t from, int64_t to) {
  std::vector<int64_t> frames;
  if (from > to) return frames;
  frames.reserve(static_cast<size_t>(to - from + 1));
  for (int64_t f = from; f <= to; ++f) frames.push_back(f);
  return frames;
}

PipelineResult runFramePipeline(int64_t from, int64_t to, std::vector<FrameWork>& workers,
                                const FrameSink& sink, const FrameProgress& progress) {
  return runFramePipeline(frameRange(from, to), workers, sink, progress);
}

PipelineResult runFramePipeline(const std::vector<int64_t>& frames,
                                std::vector<FrameWork>& workers, const FrameSink& sink,
                                const FrameProgress& progress) {
  std::vector<IndexedFrameWork> indexed;
  indexed.reserve(workers.size());
  for (FrameWork& work : workers)
    indexed.push_back([&work](int64_t, int64_t frame, std::string& bytes, std::string& err) {
      return work(frame, bytes, err);
    });
  return runFramePipeline(frames, indexed, sink, progress);
}

PipelineResult runFramePipeline(const std::vector<int64_t>& frames,
                                std::vector<IndexedFrameWork>& workers, const FrameSink& sink,
                                const FrameProgress& progress) {
  PipelineResult result;
  const int64_t total = static_cast<int64_t>(frames.size());
  if (total <= 0) return result;
  if (workers.empty()) {
    result.status = Status::kFailed;
    result.error = "no thread to draw the frames on";
    return result;
  }
  const int64_t threads = static_cast<int64_t>(workers.size());
  Board board(total, 2 * threads);
  {
    Crew crew(board);
    for (IndexedFrameWork& work : workers) {
      crew.start([&board, &work, &frames] {
        for (int64_t k; (k = board.claim()) >= 0;) {
          const int64_t frame = frames[static_cast<size_t>(k)];
          Made made;
          made.ok = guarded([&] { return work(k, frame, made.bytes, made.err); }, made.err);
          if (!made.ok && made.err.empty()) made.err = "frame " + std::to_string(frame) +
                                                       " could not be made";
          board.put(k, std::move(made));
        }
      });
    }

    auto lastReport = std::chrono::steady_clock::now();
    const auto report = [&](int64_t done) {
      lastReport = std::chrono::steady_clock::now();
      return !progress || progress(done, total);
    };
    for (int64_t k = 0; k < total;) {
      Made made;
      if (!board.take(k, made, kProgressEvery)) {
        if (std::chrono::steady_clock::now() - lastReport >= kProgressEvery && !report(k)) {
          result.status = Status::kCancelled;
          break;
        }
        continue;
      }
      const int64_t frame = frames[static_cast<size_t>(k)];
      std::string err = made.err;
      if (!made.ok || !guarded([&] { return sink(frame, made.bytes, err); }, err)) {
        result.status = Status::kFailed;
        result.failedInSink = made.ok;
        result.error = err.empty() ? "frame " + std::to_string(frame) + " could not be saved"
                                   : err;
        break;
      }
      result.delivered = ++k;
      if (!report(k)) {
        result.status = Status::kCancelled;
        break;
      }
    }
  }
  return result;
}

}  // namespace pw
