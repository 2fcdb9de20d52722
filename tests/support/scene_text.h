// Helpers for tests that read scene text and keys.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/model.h"

namespace pw::test {

// The first lines of a scene: its header and one object, as the writer puts them.
inline const std::string kHead = "gen, ,0.15,\r\nobj,o,0,0,100,100,0,0,0,255,0,\r\n";

// Lines of a text split at CR LF; fails the test when a line ends any other way.
inline std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> out;
  size_t p = 0;
  while (p < text.size()) {
    const size_t e = text.find("\r\n", p);
    if (e == std::string::npos) {
      ADD_FAILURE() << "text does not end with CR LF: " << text.substr(p);
      break;
    }
    out.push_back(text.substr(p, e - p));
    p = e + 2;
  }
  for (const auto& l : out) EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos) << l;
  return out;
}

// The frames of an object's keys, in their order.
inline std::vector<int> framesOf(const Object& o) {
  std::vector<int> out;
  for (const ObjectKey& k : o.keys) out.push_back(k.frame);
  return out;
}

}  // namespace pw::test
