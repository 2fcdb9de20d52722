// Fuzz target for the scene reader: any bytes, read in each of the three modes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/editor.h"
#include "core/scene_file.h"
#include "core/scripted_prompt.h"

namespace {

// Images and fonts are never really loaded here; handles are plain counters.
class NullResources : public pw::Resources {
 public:
  int64_t loadImage(const std::string&) override { return 0; }
  bool isImage(int64_t) const override { return false; }
  bool imageSize(int64_t, int&, int&) const override { return false; }
  void freeImage(int64_t) override {}
  int64_t loadFont(const std::string&, int, int64_t) override { return 1; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const pw::LoadMode mode : {pw::kLoadReplace, pw::kLoadMerge, pw::kLoadTemplate}) {
    pw::ScriptedPrompt prompt;
    NullResources res;
    pw::Editor ed(prompt, res);
    pw::readSceneText(ed, mode, text);
    // Writing what was read must hold up too.
    (void)pw::sceneText(ed.doc);
  }
  return 0;
}
