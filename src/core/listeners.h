// A list of callbacks that hear one kind of event, each with an id that removes it again.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace pw {

template <class Event>
class Listeners {
 public:
  using Fn = std::function<void(const Event&)>;

  int add(Fn fn) {
    list_.emplace_back(++last_, std::move(fn));
    return last_;
  }
  void remove(int id) {
    std::erase_if(list_, [id](const auto& l) { return l.first == id; });
  }
  // A listener may add or remove listeners; those take effect from the next event.
  void tell(const Event& e) const {
    if (list_.empty()) return;
    const std::vector<std::pair<int, Fn>> now = list_;
    for (const auto& l : now) l.second(e);
  }

 private:
  std::vector<std::pair<int, Fn>> list_;
  int last_ = 0;
};

}  // namespace pw
