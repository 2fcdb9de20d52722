// A scene from the benchmarks' generator with its own editor and image store, for the drawing
// tests that want many shapes of every kind.
#pragma once

#include <cstdint>
#include <vector>

#include "render_fixture.h"
#include "scene_gen.h"

namespace pw::test {

struct GeneratedScene {
  ScriptedPrompt prompt;
  ImageStore store;
  Editor ed{prompt, store};
  std::vector<pwbench::GenImage> images;
  explicit GeneratedScene(const pwbench::GenParams& prm) {
    ensureGuiApp();
    pwbench::generateScene(ed, store, prm, images);
  }
  GeneratedScene(int shapes, uint32_t seed)
      : GeneratedScene([&] {
          pwbench::GenParams prm;
          prm.shapes = shapes;
          prm.seed = seed;
          return prm;
        }()) {}
};

}  // namespace pw::test
