// Test doubles for the editor's services: images whose sizes a test declares, fonts by counter.
#pragma once

#include <map>
#include <utility>
#include <vector>
#include <set>
#include <string>

#include "core/editor.h"
#include "core/scripted_prompt.h"

namespace pw::test {

class FakeResources : public Resources {
 public:
  // Declares a loadable image file and its size.
  void addImageFile(const std::string& path, int w, int h) { files_[path] = {w, h}; }

  int64_t loadImage(const std::string& path) override {
    auto it = files_.find(path);
    if (it == files_.end()) return 0;
    const int64_t id = next_++;
    live_[id] = it->second;
    return id;
  }
  bool imageFileSize(const std::string& path, int& w, int& h) override {
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    w = it->second.first;
    h = it->second.second;
    return true;
  }
  bool isImage(int64_t id) const override { return live_.count(id) != 0; }
  bool imageSize(int64_t id, int& w, int& h) const override {
    auto it = live_.find(id);
    if (it == live_.end()) return false;
    w = it->second.first;
    h = it->second.second;
    return true;
  }
  void freeImage(int64_t id) override {
    live_.erase(id);
    freed.insert(id);
  }
  int64_t loadFont(const std::string& name, int size, int64_t style) override {
    fontsLoaded.push_back({name, size, style});
    return static_cast<int64_t>(fontsLoaded.size());
  }

  struct FontCall {
    std::string name;
    int size;
    int64_t style;
  };
  std::vector<FontCall> fontsLoaded;
  std::set<int64_t> freed;

 private:
  std::map<std::string, std::pair<int, int>> files_;
  std::map<int64_t, std::pair<int, int>> live_;
  int64_t next_ = 1;
};

// An editor with a scripted prompt and fake resources, rooted in `root`.
struct TestEditor {
  ScriptedPrompt prompt;
  FakeResources res;
  Editor ed{prompt, res};
};

}  // namespace pw::test
