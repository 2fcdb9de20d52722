// Saving and loading scene files on disk: names, dialogs, titles, failures and what is left on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "core/create.h"
#include "core/scene_file.h"
#include "support/fakes.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TestEditor;
using test::readFile;
using test::writeFile;

// An editor whose redraw hooks count their calls.
struct CountingEditor : TestEditor {
  int canvas = 0, properties = 0, layers = 0, shapeList = 0, fxList = 0, titles = 0;
  CountingEditor() {
    ed.listen(Shown::kCanvas, [this](const Notice&) { ++canvas; });
    ed.listen(Shown::kProperties, [this](const Notice&) { ++properties; });
    ed.listen(Shown::kLayerList, [this](const Notice&) { ++layers; });
    ed.listen(Shown::kShapeList, [this](const Notice&) { ++shapeList; });
    ed.listen(Shown::kFxList, [this](const Notice&) { ++fxList; });
    ed.listen(Shown::kTitle, [this](const Notice&) { ++titles; });
    newDocument(ed, kFreshDocument, true, false);
    ed.tools.tool = kToolBox;
    addShape(ed, 10, 20);
    addShape(ed, 30, 40);
  }
  void resetCounts() { canvas = properties = layers = shapeList = fxList = titles = 0; }
};

TEST(SceneSave, NamesGetOneTxtExtensionAndTheTitleFollows) {
  TempDir dir;
  CountingEditor t;
  ASSERT_TRUE(saveScene(t.ed, dir.at("scene"), false));
  EXPECT_EQ(readFile(dir.at("scene.txt")), sceneText(t.ed.doc));
  EXPECT_EQ(t.ed.doc.DocumentFileName, dir.at("scene"));  // kept as chosen
  EXPECT_EQ(t.ed.windowTitle, "Penwick Animation 0.15 - scene.txt");
  EXPECT_GE(t.titles, 1);

  ASSERT_TRUE(saveScene(t.ed, dir.at("a.txt.b"), false));
  EXPECT_TRUE(fs::exists(dir.at("a.b.txt")));
  EXPECT_EQ(t.ed.windowTitle, "Penwick Animation 0.15 - a.b.txt");
  ASSERT_TRUE(saveScene(t.ed, dir.at("plain.txt"), false));
  EXPECT_EQ(t.ed.doc.DocumentFileName, dir.at("plain.txt"));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"scene.txt", "a.b.txt", "plain.txt"}));
  EXPECT_TRUE(t.prompt.dialogs.empty());
  EXPECT_TRUE(t.prompt.messages.empty());
  // No byte-order mark, CR LF endings.
  const std::string text = readFile(dir.at("plain.txt"));
  EXPECT_EQ(text.rfind("gen, ,0.15,\r\nobj,", 0), 0u);
}

TEST(SceneSave, EmptyNameAsksAndCancelChangesNothing) {
  TempDir dir;
  CountingEditor t;
  t.ed.doc.DocumentFileName = "old";
  t.ed.setTitle("old title");
  EXPECT_FALSE(saveScene(t.ed, "", false));
  ASSERT_EQ(t.prompt.dialogs.size(), 1u);
  EXPECT_EQ(t.prompt.dialogs[0].kind, "save");
  EXPECT_EQ(t.prompt.dialogs[0].title, "Save");
  EXPECT_EQ(t.prompt.dialogs[0].initialPath, "");
  EXPECT_EQ(t.prompt.dialogs[0].filter, "txt|*.txt|all|*.*");
  EXPECT_EQ(t.ed.doc.DocumentFileName, "old");
  EXPECT_EQ(t.ed.windowTitle, "old title");
  EXPECT_TRUE(dir.names().empty());

  t.prompt.answerFile(dir.at("copy"));
  EXPECT_TRUE(saveScene(t.ed, "", false));
  EXPECT_TRUE(fs::exists(dir.at("copy.txt")));
  EXPECT_EQ(t.ed.doc.DocumentFileName, dir.at("copy"));
}

TEST(SceneSave, AutosaveKeepsNameAndTitle) {
  TempDir dir;
  CountingEditor t;
  t.ed.doc.DocumentFileName = "mine.txt";
  t.ed.setTitle("mine");
  t.resetCounts();
  ASSERT_TRUE(saveScene(t.ed, dir.at("auto_1"), true));
  EXPECT_EQ(readFile(dir.at("auto_1.txt")), sceneText(t.ed.doc));
  EXPECT_EQ(t.ed.doc.DocumentFileName, "mine.txt");
  EXPECT_EQ(t.ed.windowTitle, "mine");
  EXPECT_EQ(t.titles, 0);
}

TEST(SceneSave, FailureShowsTheBoxAndKeepsNameAndTitle) {
  TempDir dir;
  CountingEditor t;
  t.ed.doc.DocumentFileName = "mine.txt";
  t.ed.setTitle("mine");
  // A folder that cannot exist: one of its parents is a regular file.
  writeFile(dir.at("file"), "x");
  const std::string target = dir.at("file/scene");
  EXPECT_FALSE(saveScene(t.ed, target, false));
  ASSERT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_EQ(t.prompt.messages[0].title, "Error");
  // The reason follows the message.
  EXPECT_EQ(t.prompt.messages[0].text,
            "Unable to save the file " + target + ".txt: " + std::strerror(ENOTDIR));
  EXPECT_EQ(t.ed.doc.DocumentFileName, "mine.txt");
  EXPECT_EQ(t.ed.windowTitle, "mine");

  // An autosave failure is a warning, not a box.
  EXPECT_FALSE(saveScene(t.ed, target, true));
  EXPECT_EQ(t.prompt.messages.size(), 1u);
  ASSERT_EQ(t.prompt.warnings.size(), 1u);
  EXPECT_EQ(t.prompt.warnings[0], t.prompt.messages[0].text);
}

TEST(SceneSave, OverwritingLeavesNoTraceAndNoTemporaryFile) {
  TempDir dir;
  CountingEditor t;
  const std::string path = dir.at("scene.txt");
  std::string longer;
  for (int i = 0; i < 2000; ++i) longer += "pt," + std::to_string(i) + ",1,1,\r\n";
  writeFile(path, longer);
  ASSERT_TRUE(saveScene(t.ed, path, false));
  EXPECT_EQ(readFile(path), sceneText(t.ed.doc));
  EXPECT_EQ(dir.names(), std::set<std::string>{"scene.txt"});

  // A save that fails at the last step (a folder stands where the file goes) leaves the folder
  // as it was and no temporary file beside it.
  fs::create_directory(dir.at("busy.txt"));
  EXPECT_FALSE(saveScene(t.ed, dir.at("busy"), false));
  EXPECT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_TRUE(fs::is_directory(dir.at("busy.txt")));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"scene.txt", "busy.txt"}));
}

TEST(SceneLoad, ReplaceSetsNameTitleAndRefreshes) {
  TempDir dir;
  CountingEditor src;
  src.ed.doc.Objects[0].name = "Loaded";
  ASSERT_TRUE(saveScene(src.ed, dir.at("scene"), true));
  const std::string path = dir.at("scene.txt");
  const std::string before = readFile(path);

  CountingEditor t;
  t.ed.sel.shape = 1;
  t.resetCounts();
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, path, false));
  EXPECT_EQ(t.ed.doc.Objects[0].name, "Loaded");
  EXPECT_EQ(t.ed.doc.DocumentFileName, path);
  EXPECT_EQ(t.ed.windowTitle, "Penwick Animation 0.15 - scene.txt");
  EXPECT_EQ(t.ed.doc.DocumentState, kDocumentHasContent);
  EXPECT_EQ(t.ed.sel.shape, 0);
  EXPECT_GE(t.properties, 1);
  EXPECT_GE(t.layers, 1);
  EXPECT_GE(t.shapeList, 1);
  EXPECT_GE(t.fxList, 1);
  EXPECT_EQ(t.canvas, 0);
  EXPECT_EQ(sceneText(t.ed.doc), before);
  EXPECT_EQ(readFile(path), before);  // reading never writes

  t.resetCounts();
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, path, true));
  EXPECT_EQ(t.canvas, 1);
}

TEST(SceneLoad, MergeAndTemplateKeepTheDocumentsNameAndTitle) {
  TempDir dir;
  CountingEditor src;
  ASSERT_TRUE(saveScene(src.ed, dir.at("part"), true));
  for (const LoadMode mode : {kLoadMerge, kLoadTemplate}) {
    CountingEditor t;
    t.ed.doc.DocumentFileName = "mine.txt";
    t.ed.setTitle("mine");
    const size_t before = t.ed.doc.Objects[0].shapes.size();
    ASSERT_TRUE(loadScene(t.ed, mode, dir.at("part.txt"), false));
    EXPECT_EQ(t.ed.doc.DocumentFileName, "mine.txt") << mode;
    EXPECT_EQ(t.ed.windowTitle, "mine") << mode;
    EXPECT_EQ(t.ed.doc.Objects.size(), mode == kLoadMerge ? 2u : 1u);
    EXPECT_GT(t.ed.doc.Objects[0].shapes.size(), mode == kLoadMerge ? before : before + 1);
  }
}

TEST(SceneLoad, MissingFileShowsTheBoxAndCreatesNothing) {
  TempDir dir;
  CountingEditor t;
  t.ed.doc.DocumentFileName = "mine.txt";
  t.ed.sel.shape = 1;
  const std::string before = sceneText(t.ed.doc);
  t.resetCounts();
  const std::string path = dir.at("missing.txt");
  EXPECT_FALSE(loadScene(t.ed, kLoadReplace, path, true));
  ASSERT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_EQ(t.prompt.messages[0].title, "Error");
  EXPECT_EQ(t.prompt.messages[0].text,
            "Unable to open the file " + path + ": " + std::strerror(ENOENT));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(dir.names().empty());
  EXPECT_EQ(sceneText(t.ed.doc), before);
  EXPECT_EQ(t.ed.doc.DocumentFileName, "mine.txt");
  EXPECT_EQ(t.ed.sel.shape, 0);
  EXPECT_EQ(t.shapeList, 1);
  EXPECT_EQ(t.canvas, 0);

  // A folder is not a scene either.
  EXPECT_FALSE(loadScene(t.ed, kLoadMerge, dir.path(), false));
  EXPECT_EQ(t.prompt.messages.size(), 2u);
}

TEST(SceneLoad, EmptyNameAsksInTheExamplesFolder) {
  TempDir dir;
  CountingEditor t;
  t.ed.root = dir.path();
  t.ed.sel.shape = 1;
  const std::string before = sceneText(t.ed.doc);
  EXPECT_FALSE(loadScene(t.ed, kLoadReplace, "", true));
  ASSERT_EQ(t.prompt.dialogs.size(), 1u);
  EXPECT_EQ(t.prompt.dialogs[0].kind, "open");
  EXPECT_EQ(t.prompt.dialogs[0].title, "Save");
  EXPECT_EQ(t.prompt.dialogs[0].initialPath, dir.path() + "/examples/");
  EXPECT_EQ(t.prompt.dialogs[0].filter, "txt|*.txt");
  EXPECT_TRUE(t.prompt.messages.empty());
  EXPECT_EQ(sceneText(t.ed.doc), before);
  EXPECT_EQ(t.ed.sel.shape, 0);

  writeFile(dir.at("picked.txt"), "obj,Picked,0,0,100,100,0,0,0,255,0,\n");
  t.prompt.answerFile(dir.at("picked.txt"));
  EXPECT_TRUE(loadScene(t.ed, kLoadReplace, "", true));
  EXPECT_EQ(t.ed.doc.Objects[0].name, "Picked");
  EXPECT_EQ(t.ed.doc.DocumentFileName, dir.at("picked.txt"));
}

TEST(SceneLoad, FileWithoutObjectLinesStillEndsWithContent) {
  TempDir dir;
  writeFile(dir.at("bare.txt"), "gen, ,0.15,\r\n");
  CountingEditor t;
  t.ed.sel.shape = 1;
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.at("bare.txt"), false));
  EXPECT_EQ(t.ed.doc.DocumentState, kDocumentHasContent);
  EXPECT_EQ(t.ed.sel.shape, 0);
  EXPECT_EQ(t.ed.doc.Objects.size(), 1u);
  EXPECT_EQ(t.ed.doc.Objects[0].shapes.size(), 1u);
}

TEST(SceneLoad, MissingImagesAreReportedOncePerPath) {
  TempDir dir;
  const std::string gone = dir.at("gone.png");
  const std::string here = dir.at("here.png");
  writeFile(here, "png bytes");
  std::string text = "gen, ,0.15,\r\nobj,o,0,0,100,100,0,0,0,255,0,\r\n";
  for (int k = 0; k < 3; ++k)
    text += "shape," + std::to_string(k) + ",-1,img,255,0,10,5,5,6,64,32," + gone +
            ";0;0;0;64;32;0;,1,2,\r\n";
  text += "shape,3,-1,ok,255,0,10,5,5,6,8,8," + here + ";2;1;1;8;8;0;,1,2,\r\n";
  writeFile(dir.at("images.txt"), text);
  CountingEditor t;
  t.res.addImageFile(here, 8, 8);
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.at("images.txt"), false));
  ASSERT_EQ(t.prompt.messages.size(), 1u);
  EXPECT_EQ(t.prompt.messages[0].text, "The Image file doesn't exists :  " + gone);
  const auto& shapes = t.ed.doc.Objects[0].shapes;
  ASSERT_EQ(shapes.size(), 4u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(shapes[k].imageId, 0);
    EXPECT_EQ(shapes[k].imageFile, gone);
    EXPECT_EQ(shapes[k].w, 64);
  }
  EXPECT_NE(shapes[3].imageId, 0);
  EXPECT_EQ(shapes[3].imageRepeat, 2);
}

TEST(SceneLoad, ManyMissingImagesShowAFewBoxesThenWarnings) {
  TempDir dir;
  const std::string here = dir.at("here.png");
  writeFile(here, "png bytes");
  std::string text = "gen, ,0.15,\r\nobj,o,0,0,100,100,0,0,0,255,0,\r\n";
  int k = 0;
  auto image = [&](const std::string& path) {
    text += "shape," + std::to_string(k++) + ",-1,img,255,0,10,5,5,6,8,8," + path + ";0;0;0;8;8;0;,0,0,\r\n";
  };
  for (int i = 0; i < 20; ++i) image(dir.at("gone" + std::to_string(i) + ".png"));
  image(here);  // found after the boxes are used up
  image(here);  // and again
  writeFile(dir.at("many.txt"), text);
  CountingEditor t;
  t.res.addImageFile(here, 8, 8);
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.at("many.txt"), false));
  EXPECT_GE(t.prompt.messages.size(), 1u);
  EXPECT_LE(t.prompt.messages.size(), 10u);
  // Every missing picture is reported once, in a box or as a warning.
  EXPECT_EQ(t.prompt.messages.size() + t.prompt.warnings.size(), 20u);
  for (const auto& w : t.prompt.warnings) EXPECT_EQ(w.rfind("The Image file doesn't exists :  ", 0), 0u);
  const auto& shapes = t.ed.doc.Objects[0].shapes;
  ASSERT_EQ(shapes.size(), 22u);
  EXPECT_NE(shapes[20].imageId, 0);
  EXPECT_NE(shapes[21].imageId, 0);
  EXPECT_NE(shapes[20].imageId, shapes[21].imageId);  // each shape owns its image
}

TEST(SceneLoad, RepeatedImageIndexFreesTheEarlierImage) {
  TempDir dir;
  const std::string pic = dir.at("p.png");
  writeFile(pic, "png bytes");
  const std::string line = "shape,0,-1,img,255,0,10,5,5,6,8,8," + pic + ";0;0;0;8;8;0;,1,2,\r\n";
  writeFile(dir.at("twice.txt"), "gen, ,0.15,\r\nobj,o,0,0,100,100,0,0,0,255,0,\r\n" + line + line);
  CountingEditor t;
  t.res.addImageFile(pic, 8, 8);
  ASSERT_TRUE(loadScene(t.ed, kLoadReplace, dir.at("twice.txt"), false));
  const int64_t kept = t.ed.doc.Objects[0].shapes[0].imageId;
  EXPECT_NE(kept, 0);
  EXPECT_TRUE(t.res.isImage(kept));
  EXPECT_EQ(t.res.freed.size(), 1u);
  EXPECT_EQ(t.res.freed.count(kept), 0u);
}

}  // namespace
}  // namespace pw
