// Scene files: helpers shared by the reader (scene_read.cpp) and the writer (scene_write.cpp).
#include "core/scene_file.h"

namespace pw {

std::string fileNamePart(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace pw
