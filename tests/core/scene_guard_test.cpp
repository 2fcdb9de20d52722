// What a load refuses and what it leaves alone: files that are no scene, reads that run out of
// memory, pictures past the read's pixel budget, and models past the growth budget.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <set>
#include <string>

#include "core/create.h"
#include "core/scene_file.h"
#include "support/fakes.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::TestEditor;

struct Folder {
  std::string path;
  Folder() {
    char tmpl[] = "/tmp/scene_guard_XXXXXX";
    const char* p = ::mkdtemp(tmpl);
    EXPECT_NE(p, nullptr);
    path = p ? p : "/tmp/scene_guard_failed";
  }
  ~Folder() { fs::remove_all(path); }
  std::string write(const std::string& name, const std::string& text) const {
    const std::string f = path + "/" + name;
    std::ofstream(f, std::ios::binary) << text;
    return f;
  }
};

const std::string kScene =
    "gen, ,0.15,\r\nobj,Layer,0,0,100,100,0,0,0,255,0,\r\n"
    "shape,0,-1,box,255,0,10,5,5,1,40,30,,5,6,\r\n"
    "shapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0,0\r\npt,0,0,0,\r\n"
    "shape,1,-1,label,255,0,10,5,5,7,12,5,Hi;Times New roman;256;,9,9,\r\npt,0,0,0,\r\n";

std::string utf16(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string randomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(rng() & 0xFF);
  return out;
}

TEST(SceneGuard, WhatCountsAsAScene) {
  struct Case {
    const char* what;
    std::string text;
    bool scene;
  } const cases[] = {
      {"empty", "", true},
      {"blank lines", "\r\n\r\n  \t\r\n", true},
      {"byte-order mark alone", "\xEF\xBB\xBF", true},
      {"a scene", kScene, true},
      {"a scene behind a byte-order mark", "\xEF\xBB\xBF" + kScene, true},
      {"one known record among junk", "junk\r\nmore junk\r\npt,0,1,1\r\n", true},
      {"a bare key", "shape\n", true},
      {"random bytes", randomBytes(4096, 7), false},
      {"the scene in UTF-16", utf16(kScene), false},
      {"a password file", "root:*:19700:0:99999:7:::\ndaemon:*:19700:0:99999:7:::\n", false},
      {"keys as prefixes only", "objects,1\r\nshapes,2\r\npoint,3\r\ngenerator\r\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(looksLikeScene(c.text), c.scene) << c.what;
}

// A document with content, a name and a title of its own.
void prepare(TestEditor& t, const Folder& dir) {
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.write("mine.txt", kScene), false));
  t.prompt.messages.clear();
}

TEST(SceneGuard, ARefusedFileLeavesTheDocumentAsItWas) {
  Folder dir;
  const std::string garbage = dir.write("garbage.txt", randomBytes(2000, 3));
  for (const LoadMode mode : {kLoadReplace, kLoadMerge, kLoadTemplate}) {
    TestEditor t;
    prepare(t, dir);
    const std::string before = sceneText(t.ed.doc);
    const std::string title = t.ed.windowTitle, name = t.ed.doc.DocumentFileName;
    EXPECT_FALSE(loadScene(t.ed, mode, garbage, false)) << mode;
    ASSERT_EQ(t.prompt.messages.size(), 1u);
    EXPECT_EQ(t.prompt.messages[0].text,
              "Unable to open the file " + garbage + ": not a Penwick scene");
    EXPECT_EQ(sceneText(t.ed.doc), before) << mode;
    EXPECT_EQ(t.ed.windowTitle, title);
    EXPECT_EQ(t.ed.doc.DocumentFileName, name);
  }
}

// Resources that run out of memory at the n-th font or image.
class StarvedResources : public test::FakeResources {
 public:
  explicit StarvedResources(int failAt) : failAt_(failAt) {}
  int64_t loadFont(const std::string& name, int size, int64_t style) override {
    if (++calls_ == failAt_) throw std::bad_alloc();
    return FakeResources::loadFont(name, size, style);
  }
  int64_t loadImage(const std::string& path) override {
    if (++calls_ == failAt_) throw std::bad_alloc();
    return FakeResources::loadImage(path);
  }

 private:
  int failAt_;
  int calls_ = 0;
};

TEST(SceneGuard, ReadOutOfMemoryLeavesTheDocumentAndFreesItsImages) {
  Folder dir;
  const std::string pic = dir.write("pic.png", "x");
  const std::string picture = "shape,2,-1,photo,255,0,10,5,5,6,8,8," + pic + ";0;0;0;8;8;0;,0,0,\r\npt,0,0,0,\r\n";
  const std::string scene = dir.write("mine.txt", kScene);
  // The second file loads an image, then a font that fails.
  const std::string hungry = dir.write(
      "hungry.txt", "gen, ,0.15,\r\nobj,Other,0,0,100,100,0,0,0,255,0,\r\n" + picture +
                        "shape,3,-1,t,255,0,10,5,5,7,12,5,A;Arial;0;,1,1,\r\n");
  for (const LoadMode mode : {kLoadReplace, kLoadMerge}) {
    ScriptedPrompt prompt;
    StarvedResources res(3);  // the mine.txt font is call 1, the image 2, the next font 3
    res.addImageFile(pic, 8, 8);
    Editor ed(prompt, res);
    ASSERT_TRUE(loadScene(ed, kLoadReplace, scene, false));
    const std::string before = sceneText(ed.doc);
    const std::string title = ed.windowTitle;
    EXPECT_FALSE(loadScene(ed, mode, hungry, false)) << mode;
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Unable to open the file " + hungry + ": not enough memory");
    EXPECT_EQ(sceneText(ed.doc), before) << mode;
    EXPECT_EQ(ed.windowTitle, title);
    // The image the failed read loaded is gone again.
    EXPECT_EQ(res.freed, std::set<int64_t>{1}) << mode;
  }
}

TEST(SceneGuard, ASucceedingReadFreesTheImagesItReplaced) {
  Folder dir;
  const std::string pic = dir.write("pic.png", "x");
  const std::string withPicture =
      dir.write("a.txt", "gen, ,0.15,\r\nobj,A,0,0,100,100,0,0,0,255,0,\r\n"
                         "shape,0,-1,photo,255,0,10,5,5,6,8,8," + pic + ";0;0;0;8;8;0;,0,0,\r\npt,0,0,0,\r\n");
  TestEditor t;
  t.res.addImageFile(pic, 8, 8);
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, withPicture, false));
  const int64_t first = t.ed.doc.Objects.at(0).shapes.at(0).imageId;
  ASSERT_NE(first, 0);
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.write("b.txt", kScene), false));
  EXPECT_EQ(t.res.freed, std::set<int64_t>{first});
  EXPECT_FALSE(t.res.isImage(first));
}

// Image shapes naming `paths` in turn; returns the image handles of the shapes.
std::vector<int64_t> loadPictures(TestEditor& t, const Folder& dir,
                                  const std::vector<std::string>& paths) {
  std::string text = "gen, ,0.15,\r\nobj,A,0,0,100,100,0,0,0,255,0,\r\n";
  for (size_t k = 0; k < paths.size(); ++k)
    text += "shape," + std::to_string(k) + ",-1,p,255,0,10,5,5,6,8,8," + paths[k] +
            ";0;0;0;8;8;0;,0,0,\r\npt,0,0,0,\r\n";
  readSceneText(t.ed, kLoadReplace, text);
  (void)dir;
  std::vector<int64_t> ids;
  for (const Shape& s : t.ed.doc.Objects.at(0).shapes) ids.push_back(s.imageId);
  return ids;
}

TEST(SceneGuard, PicturesPastThePixelBudgetAreLeftOutOnce) {
  Folder dir;
  TestEditor t;
  const std::string huge = dir.write("huge.png", "x");
  t.res.addImageFile(huge, 10000, 10000);  // 100 million pixels: past the budget on its own
  std::vector<std::string> quarters;
  for (int k = 0; k < 5; ++k) {
    quarters.push_back(dir.write("q" + std::to_string(k) + ".png", "x"));
    t.res.addImageFile(quarters.back(), 4096, 4096);  // four of them fill the budget
  }
  const auto ids = loadPictures(t, dir,
                                {huge, quarters[0], huge, quarters[1], quarters[0], quarters[2],
                                 quarters[3], quarters[4], huge});
  EXPECT_EQ(ids[0], 0);
  EXPECT_EQ(ids[2], 0);
  EXPECT_EQ(ids[8], 0);
  for (const size_t k : {1u, 3u, 4u, 5u, 6u}) EXPECT_NE(ids[k], 0) << k;
  EXPECT_EQ(ids[7], 0);  // the fifth quarter no longer fits
  ASSERT_EQ(t.prompt.messages.size(), 2u);
  EXPECT_EQ(t.prompt.messages[0].text,
            "Unable to load the image file " + huge + ": the image is too large (10000 x 10000 pixels)");
  EXPECT_EQ(t.prompt.messages[1].text,
            "Unable to load the image file " + quarters[4] + ": the image is too large (4096 x 4096 pixels)");

  // The budget is the read's: the next read starts afresh.
  t.prompt.messages.clear();
  const auto again = loadPictures(t, dir, {quarters[4]});
  EXPECT_NE(again.at(0), 0);
  EXPECT_TRUE(t.prompt.messages.empty());
}

TEST(SceneGuard, AnImageShapeWithoutAFileSaysSo) {
  TestEditor t;
  const auto ids = loadPictures(t, Folder{}, {""});
  EXPECT_EQ(ids.at(0), 0);
  ASSERT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_EQ(t.prompt.messages[0].text, "The Image file doesn't exists: the image shape names no file");
  EXPECT_EQ(missingImageText("a.png"), "The Image file doesn't exists :  a.png");
}

}  // namespace
}  // namespace pw
