// Frames of an export that has not finished yet. They are written into a hidden folder inside
// the target folder and moved into place only once the last one is in, so an export that stops
// (cancelled, failed, killed) leaves the folder's earlier frames as they were.
#pragma once

#include <string>
#include <vector>

namespace pw {

class FrameStaging {
 public:
  explicit FrameStaging(std::string dir);
  ~FrameStaging();  // removes the staging folder with whatever it still holds
  FrameStaging(const FrameStaging&) = delete;
  FrameStaging& operator=(const FrameStaging&) = delete;

  // Sweeps the staging folders of exports that no longer run, then makes and locks this one.
  bool open(std::string* err);
  // Where the file `name` is written before it moves into the folder.
  std::string pathFor(const std::string& name) const { return stage_ + "/" + name; }
  // Moves the staged files into the folder, replacing files of the same names. False, with the
  // reason, when one cannot be moved.
  bool commit(const std::vector<std::string>& names, std::string* err);

 private:
  std::string dir_, stage_;
  int lock_ = -1;  // the staging folder, locked while this export runs
};

// Removes the staging folders inside `dir` that no running export holds; returns how many.
int removeStaleFrameStaging(const std::string& dir);

}  // namespace pw
