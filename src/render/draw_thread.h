// Where canvas and playback pictures are drawn: on Qt's own thread pool, whose threads its raster
// engine fills every span from inline. From any other thread (the GUI thread among them) it
// splits large fills of transformed images across that pool, in pieces that depend on how the
// picture is clipped: a band would then not get the whole picture's pixels, and on a small
// machine the splitting costs more than it saves.
#pragma once

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>

namespace pw {

// One thread more than the cores: a picture drawn in the background on every core leaves one for
// the refreshes that cannot wait for it.
inline QThreadPool& drawingPool() {
  static QThreadPool& pool = [] () -> QThreadPool& {
    QThreadPool& p = *QThreadPool::globalInstance();
    p.setMaxThreadCount(QThread::idealThreadCount() + 1);
    return p;
  }();
  return pool;
}

// The threads a picture is drawn on at once.
inline int drawingCores() { return std::max(1, QThread::idealThreadCount()); }

// Runs a drawing job on a drawing thread and waits for it; never on the calling (GUI) thread.
template <class Job>
void drawOnWorker(Job&& job) {
  QThreadPool& pool = drawingPool();
  if (pool.contains(QThread::currentThread())) {
    job();
    return;
  }
  QSemaphore done;
  pool.start([&job, &done] {
    job();
    done.release();
  });
  done.acquire();
}

}  // namespace pw
