// The "Color", "FX" and "Options" tabs on their real widgets: what each control stores, the
// dialogs behind the buttons (a cancelled one changes nothing), fonts released when replaced, and
// effect presets saved, listed and loaded in a folder of the test's own.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#include "core/fx_preset.h"
#include "fileio/atomic_file.h"
#include "panel_fixture.h"
#include "ui/control_ids.h"

namespace pw {
namespace {

using uitest::PanelFixture;

// Every announcement with its scope and merge key.
struct Recorded {
  std::string name;
  ChangeScope scope;
  int key = 0;
};

struct StylePanel : ::testing::Test {
  QTemporaryDir dir;
  std::unique_ptr<PanelFixture> f;
  std::vector<Recorded> recorded;

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    f = std::make_unique<PanelFixture>(dir.path().toStdString());
    f->ed.observe(
        [this](const Change& c) { recorded.push_back({c.name, c.scope, c.mergeKey}); });
  }
  std::string presetFolder() const { return dir.path().toStdString() + "/" + kPresetFolder; }
  void writePreset(const std::string& file, const std::string& text) {
    QDir().mkpath(QString::fromStdString(presetFolder()));
    ASSERT_TRUE(writeFileAtomic(presetFolder() + file, text));
  }
  // The one announcement a handler made for the current shape under `key`.
  void expectOneShapeStep(int key) {
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].scope.kind, ChangeScope::kShapes);
    EXPECT_EQ(recorded[0].scope.object, f->ed.sel.object);
    EXPECT_EQ(recorded[0].scope.shapes, std::vector<int64_t>{f->ed.sel.shape});
    EXPECT_EQ(recorded[0].key, key);
    EXPECT_TRUE(f->ed.modified);
  }
  void resetRecords() {
    recorded.clear();
    f->changes.clear();
    f->prompt.messages.clear();
    f->ed.modified = false;
  }
  QStringList items(int n) const {
    QStringList l;
    for (int i = 0; i < f->controls.itemCount(n); ++i) l << f->controls.itemText(n, i);
    return l;
  }
};

TEST_F(StylePanel, TabsHoldTheirFramesAndListItems) {
  auto frames = [](QWidget* tab) {
    QStringList t;
    for (auto* g : tab->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) t << g->title();
    return t;
  };
  EXPECT_EQ(frames(f->shapePanel->widget(1)), (QStringList{"Color", "Style", "Text", "Image"}));
  EXPECT_EQ(frames(f->shapePanel->widget(2)), (QStringList{"Presets", "Parameters", "Style"}));
  EXPECT_EQ(frames(f->objectPanel->widget(1)), QStringList{"Background"});
  const QStringList strokes{"filled", "line", "dash", "dot"};
  EXPECT_EQ(items(kCtlShapeStyle), strokes);
  EXPECT_EQ(items(kCtlFxType), strokes);
  EXPECT_EQ(items(kCtlFxDepth), (QStringList{"Back", "Front", "All back", "All front"}));
  // The controls sit inside their frames.
  EXPECT_EQ(f->controls.widget(kCtlFont)->parentWidget()->property("title").toString(), "Text");
  EXPECT_EQ(f->controls.widget(kCtlFxScale)->parentWidget()->property("title").toString(), "Style");
}

TEST_F(StylePanel, OptionsTabStartsFromTheSettings) {
  for (int64_t checker : {0, 1}) {
    SCOPED_TRACE(checker);
    f->ed.options.BgImg = checker;
    f->ed.options.CameraCacheAlpha = static_cast<uint8_t>(40 + checker);
    ControlSet controls;
    PanelContext ctx{f->ed, controls, f->icons, {}, {}};
    QWidget tab;
    buildOptionsTab(ctx, &tab);
    EXPECT_EQ(controls.value(kCtlCheckerBg), checker);
    EXPECT_EQ(controls.value(kCtlCameraCacheAlpha), 40 + checker);
  }
}

TEST_F(StylePanel, EachControlStoresIntoItsField) {
  struct Case {
    int control;
    int value;
    std::function<int64_t(const Shape&)> field;
    int64_t stored;
  };
  auto fx0 = [](const Shape& s) -> const ShapeFx& { return s.fx[0]; };
  const Case cases[] = {
      {kCtlShapeAlpha, 100, [](const Shape& s) { return s.alpha; }, 100},
      {kCtlShapeAlpha, 90, [](const Shape& s) { return alphaOf(s.color); }, 90},
      {kCtlShapeStyle, 2, [](const Shape& s) { return s.style; }, 2},
      {kCtlLineWidth, 7, [](const Shape& s) { return s.lineW; }, 7},
      {kCtlLineHeight, 8, [](const Shape& s) { return s.lineH; }, 8},
      {kCtlLineDist, 9, [](const Shape& s) { return s.lineDist; }, 9},
      {kCtlImageRepeat, 1, [](const Shape& s) { return s.imageRepeat; }, 2},
      {kCtlImageRepeat, 0, [](const Shape& s) { return s.imageRepeat; }, 0},
      {kCtlImageX, -40, [](const Shape& s) { return s.imageX; }, -40},
      {kCtlImageY, 41, [](const Shape& s) { return s.imageY; }, 41},
      {kCtlImageW, 42, [](const Shape& s) { return s.imageW; }, 42},
      {kCtlImageH, 43, [](const Shape& s) { return s.imageH; }, 43},
      {kCtlFxActive, 1, [&](const Shape& s) { return fx0(s).active; }, 1},
      {kCtlFxType, 3, [&](const Shape& s) { return fx0(s).type; }, 3},
      {kCtlFxWidth, 12, [&](const Shape& s) { return fx0(s).width; }, 12},
      {kCtlFxHeight, 13, [&](const Shape& s) { return fx0(s).height; }, 13},
      {kCtlFxDist, 14, [&](const Shape& s) { return fx0(s).dist; }, 14},
      {kCtlFxX, -9000, [&](const Shape& s) { return fx0(s).x; }, -9000},
      {kCtlFxY, 9000, [&](const Shape& s) { return fx0(s).y; }, 9000},
      {kCtlFxScale, 250, [&](const Shape& s) { return fx0(s).scale; }, 250},
      {kCtlFxDepth, 1, [&](const Shape& s) { return fx0(s).depth; }, 1},
      {kCtlFxAlpha, 60, [&](const Shape& s) { return fx0(s).alpha; }, 60},
      {kCtlFxAlpha, 70, [&](const Shape& s) { return alphaOf(fx0(s).color); }, 70},
  };
  Shape& s = f->putShape(kBox);
  s.color = packRGBA(1, 2, 3, 255);
  s.fx[0].color = packRGBA(4, 5, 6, 255);
  s.fx[0].width = s.fx[0].height = s.fx[0].dist = 1;
  f->ed.sel.fx = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    resetRecords();
    const int redraws = f->canvasRedraws;
    f->userSets(c.control, c.value);
    EXPECT_EQ(c.field(f->shape(0)), c.stored);
    expectOneShapeStep(c.control);
    EXPECT_EQ(f->canvasRedraws, redraws + 1);
  }
  // The colours kept their red, green and blue.
  EXPECT_EQ(f->shape(0).color, packRGBA(1, 2, 3, 90));
  EXPECT_EQ(f->shape(0).fx[0].color, packRGBA(4, 5, 6, 70));
}

TEST_F(StylePanel, SizesBelowOneAreStoredAndShownAsOne) {
  Shape& s = f->putShape(kLine);
  s.lineW = 5;
  s.fx[0].width = 5;
  f->controls.setValue(kCtlFxHeight, 7);  // the effect sizes are read together
  f->controls.setValue(kCtlFxDist, 0);
  for (int n : {kCtlLineWidth, kCtlFxWidth}) {
    SCOPED_TRACE(n);
    resetRecords();
    f->userSets(n, 0);
    EXPECT_EQ(f->controls.value(n), 1);
    expectOneShapeStep(n);
  }
  EXPECT_EQ(f->shape(0).lineW, 1);
  EXPECT_EQ(f->shape(0).fx[0].width, 1);
  EXPECT_EQ(f->shape(0).fx[0].height, 7);
  EXPECT_EQ(f->shape(0).fx[0].dist, 1);
  EXPECT_EQ(f->controls.value(kCtlFxDist), 1);
  // Already 1: setting 0 again changes nothing, so nothing is announced.
  resetRecords();
  f->userSets(kCtlLineWidth, 0);
  EXPECT_TRUE(recorded.empty());
  EXPECT_FALSE(f->ed.modified);
}

TEST_F(StylePanel, ColourDialogsKeepTheColourWhenCancelled) {
  struct Case {
    int control;
    std::function<int64_t&(PanelFixture&)> color;
    int alpha;  // alpha the answer is combined with
    bool document;
  };
  const Case cases[] = {
      {kCtlShapeColor, [](PanelFixture& p) -> int64_t& { return p.shape(0).color; }, 77, true},
      {kCtlFxColor, [](PanelFixture& p) -> int64_t& { return p.shape(0).fx[0].color; }, 66, true},
      {kCtlBgColor, [](PanelFixture& p) -> int64_t& { return p.ed.options.BgColor; }, 255, false},
  };
  Shape& s = f->putShape(kBox);
  s.alpha = 77;
  s.fx[0].alpha = 66;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    const int64_t start = packRGBA(11, 22, 33, c.alpha);
    c.color(*f) = start;
    f->ed.sel.fx = 5;  // beyond the last effect: the effect colour button starts over at 0
    resetRecords();
    f->prompt.answerColor(std::nullopt);
    f->userPresses(c.control);
    EXPECT_EQ(c.color(*f), start);
    EXPECT_TRUE(recorded.empty());
    EXPECT_EQ(f->prompt.dialogs.back().initialPath, "11,22,33");  // opens on the colour
    f->prompt.answerColor(Prompt::Rgb{200, 100, 50});
    f->userPresses(c.control);
    EXPECT_EQ(c.color(*f), packRGBA(200, 100, 50, c.alpha));
    if (c.document) {
      expectOneShapeStep(c.control);
    } else {
      EXPECT_TRUE(recorded.empty());
      EXPECT_FALSE(f->ed.modified);
    }
  }
}

TEST_F(StylePanel, TextDialogSetsTheTextAndCancelKeepsIt) {
  Shape& s = f->putShape(kText);
  s.text = "hello";
  f->prompt.answerInput(std::nullopt);
  f->userPresses(kCtlText);
  EXPECT_EQ(f->shape(0).text, "hello");
  EXPECT_TRUE(recorded.empty());
  const auto& d = f->prompt.dialogs.back();
  EXPECT_EQ(d.title, "Text");
  EXPECT_EQ(d.initialPath, "Change the text");
  EXPECT_EQ(d.filter, "hello");
  f->prompt.answerInput("world");
  f->userPresses(kCtlText);
  EXPECT_EQ(f->shape(0).text, "world");
  expectOneShapeStep(kCtlText);
}

TEST_F(StylePanel, FontDialogReplacesAndReleasesTheOldFont) {
  Shape& s = f->putShape(kText);
  s.fontName = "DejaVu Sans";
  s.fontStyle = 0;
  s.fontId = f->store.loadFont(s.fontName, 20, 0);
  const int64_t old = s.fontId;
  ASSERT_TRUE(f->store.isFont(old));

  f->prompt.answerFont(std::nullopt);
  f->userPresses(kCtlFont);
  EXPECT_EQ(f->shape(0).fontId, old);  // cancelled: the font stays, and stays loaded
  EXPECT_TRUE(f->store.isFont(old));
  EXPECT_TRUE(recorded.empty());
  EXPECT_EQ(f->prompt.dialogs.back().initialPath, "DejaVu Sans");
  EXPECT_EQ(f->prompt.dialogs.back().filter, "20,0");

  f->prompt.answerFont(Prompt::FontChoice{"DejaVu Serif", 33, 256 | 512});
  f->userPresses(kCtlFont);
  const Shape& t = f->shape(0);
  EXPECT_EQ(t.fontName, "DejaVu Serif");
  EXPECT_EQ(t.fontStyle, 256 | 512);
  EXPECT_NE(t.fontId, old);
  EXPECT_TRUE(f->store.isFont(t.fontId));
  EXPECT_FALSE(f->store.isFont(old));
  expectOneShapeStep(kCtlFont);
}

TEST_F(StylePanel, FontSharedWithAnotherShapeIsNotReleased) {
  Shape& a = f->putShape(kText, "a");
  a.fontId = f->store.loadFont("DejaVu Sans", 20, 0);
  const int64_t shared = a.fontId;
  Shape& b = f->putShape(kText, "b");  // a pasted copy draws with the same handle
  b.fontId = shared;
  f->prompt.answerFont(Prompt::FontChoice{"DejaVu Serif", 20, 0});
  f->userPresses(kCtlFont);
  EXPECT_NE(f->shape(1).fontId, shared);
  EXPECT_TRUE(f->store.isFont(shared));
  EXPECT_EQ(f->shape(0).fontId, shared);
}

TEST_F(StylePanel, ImageButtonChangesTheImageOnlyWhenOneLoads) {
  const QString png = dir.filePath("pic.png");
  ASSERT_TRUE(uitest::solid(12, 7, Qt::red).save(png));
  const QString junk = dir.filePath("junk.png");
  {
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write("not a picture");
  }
  f->putShape(kImage, "img");
  struct Case {
    std::string answer;
    bool changes;
  };
  const Case cases[] = {{"", false}, {junk.toStdString(), false}, {png.toStdString(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    resetRecords();
    f->prompt.answerFile(c.answer);
    f->userPresses(kCtlImage);
    if (c.changes) {
      EXPECT_EQ(f->shape(0).name, "pic");
      EXPECT_EQ(f->shape(0).imageW, 12);
      EXPECT_EQ(f->shape(0).h, 7);
      EXPECT_TRUE(f->store.isImage(f->shape(0).imageId));
      expectOneShapeStep(kCtlImage);
    } else {
      EXPECT_EQ(f->shape(0).name, "img");
      EXPECT_TRUE(recorded.empty());
      EXPECT_EQ(f->prompt.messages.size(), c.answer.empty() ? 0u : 1u);
    }
  }
}

TEST_F(StylePanel, EffectsAreAddedSelectedAndIgnoredWithoutAShape) {
  f->putShape(kBox);
  f->userPresses(kCtlFxAdd);
  ASSERT_EQ(f->shape(0).fx.size(), 2u);
  EXPECT_EQ(f->ed.sel.fx, 1);
  EXPECT_EQ(f->shape(0).fx[1].name, "FX_1");
  EXPECT_EQ(f->shape(0).fx[1].scale, 100);
  expectOneShapeStep(kCtlFxAdd);

  f->controls.setItems(kCtlFxList, {"FX_0", "FX_1"});
  resetRecords();
  f->userSets(kCtlFxList, 0);
  EXPECT_EQ(f->ed.sel.fx, 0);
  EXPECT_TRUE(recorded.empty());  // choosing an effect edits nothing

  f->ed.sel.shape = -1;
  for (int n : {kCtlFxAdd, kCtlShapeAlpha, kCtlFxColor, kCtlText, kCtlPresetSave}) {
    SCOPED_TRACE(n);
    f->userSets(n, 5);
  }
  EXPECT_EQ(f->shape(0).fx.size(), 2u);
  EXPECT_TRUE(recorded.empty());
  EXPECT_TRUE(f->prompt.dialogs.empty());
}

TEST_F(StylePanel, EffectIndexBeyondTheLastShowsEffectZero) {
  f->putShape(kBox);
  f->userPresses(kCtlFxAdd);
  f->shape(0).fx[0].alpha = 33;
  f->shape(0).fx[1].alpha = 44;
  f->ed.sel.fx = 9;
  f->ed.refreshProperties();
  EXPECT_EQ(f->ed.sel.fx, 0);
  EXPECT_EQ(f->controls.value(kCtlFxList), 0);
  EXPECT_EQ(f->controls.value(kCtlFxAlpha), 33);
  // The next edit goes to effect 0, not past the end.
  f->userSets(kCtlFxScale, 40);
  EXPECT_EQ(f->shape(0).fx[0].scale, 40);
}

TEST_F(StylePanel, OptionsChangeTheSettingsNotTheDocument) {
  const int redraws = f->canvasRedraws;
  f->userSets(kCtlCheckerBg, 1);
  EXPECT_EQ(f->ed.options.BgImg, 1);
  f->userSets(kCtlCameraCacheAlpha, 90);
  EXPECT_EQ(f->ed.options.CameraCacheAlpha, 90);
  f->userSets(kCtlCheckerBg, 0);
  EXPECT_EQ(f->ed.options.BgImg, 0);
  EXPECT_EQ(f->canvasRedraws, redraws + 3);
  EXPECT_TRUE(recorded.empty());
  EXPECT_FALSE(f->ed.modified);
}

TEST_F(StylePanel, PresetSaveListLoadRoundTrip) {
  Shape& s = f->putShape(kBox);
  ShapeFx& fx = s.fx[0];
  fx = ShapeFx{};
  fx.name = "FX_0";
  fx.x = 4;
  fx.y = -6;
  fx.color = packRGBA(9, 8, 7, 200);
  fx.alpha = 200;
  fx.type = 2;
  fx.width = 3;
  fx.height = 4;
  fx.dist = 5;
  fx.scale = 150;
  fx.depth = 1;
  f->prompt.answerInput("  glow ");
  f->userPresses(kCtlPresetSave);
  std::string text;
  ASSERT_TRUE(readFileWhole(presetFolder() + "glow.sfx", text));
  EXPECT_EQ(text, "gen,glow,0.15\r\nshapefx,0,4,-6,-939063287,200,1,2,3,4,5,150,0,0\r\n");
  EXPECT_EQ(f->shape(0).fx[0].name, "glow");
  EXPECT_TRUE(items(kCtlPresetList).contains("glow"));
  expectOneShapeStep(kCtlPresetSave);
  EXPECT_EQ(f->prompt.dialogs.back().title, "Name");
  EXPECT_EQ(f->prompt.dialogs.back().initialPath, "Set the name for the layer FX");

  // Another effect takes the preset: every parameter, the name, and never the active flag.
  f->userPresses(kCtlFxAdd);
  f->shape(0).fx[1].active = 1;
  resetRecords();
  f->controls.setText(kCtlPresetList, "glow");
  f->userPresses(kCtlPresetList);
  const ShapeFx& got = f->shape(0).fx[1];
  EXPECT_EQ(got.name, "glow");
  EXPECT_EQ(got.active, 1);
  EXPECT_EQ(presetText("glow", 0, got), text);
  expectOneShapeStep(kCtlPresetList);
}

TEST_F(StylePanel, PresetListingAndTheEmptyHeaderName) {
  writePreset("x.sfx.sfx", "shapefx,0,1\r\n");
  writePreset("y.sfx", "gen,,0.15\r\nshapefx,0,3\r\n");
  listPresets(f->ctx);
  // Listed under the name that loads it: only the last ".sfx" is left out.
  EXPECT_EQ(items(kCtlPresetList), (QStringList{"x.sfx", "y"}));
  f->putShape(kBox);
  f->userPresses(kCtlFxAdd);  // effect 1 is current
  f->controls.setText(kCtlPresetList, "y");
  f->userPresses(kCtlPresetList);
  EXPECT_EQ(f->shape(0).fx[1].name, "fx_1");
  EXPECT_EQ(f->shape(0).fx[1].x, 3);
  f->controls.setText(kCtlPresetList, "x.sfx");
  f->userPresses(kCtlPresetList);
  EXPECT_EQ(f->shape(0).fx[1].x, 1);
  EXPECT_TRUE(f->prompt.messages.empty());
}

TEST_F(StylePanel, RefusedPresetNamesWriteNothing) {
  struct Case {
    const char* name;
    bool message;
  };
  const Case cases[] = {{"", false},      {"   ", true},   {"a/b", true},   {"..\\x", true},
                        {".glow", true},  {"a\x01", true}, {"../../evil", true}};
  f->putShape(kBox).fx[0].name = "FX_0";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetRecords();
    f->prompt.answerInput(std::string(c.name));
    f->userPresses(kCtlPresetSave);
    EXPECT_EQ(f->shape(0).fx[0].name, "FX_0");
    EXPECT_TRUE(recorded.empty());
    ASSERT_EQ(f->prompt.messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(f->prompt.messages[0].title, "Error");
      EXPECT_EQ(f->prompt.messages[0].text, "Invalid preset name");
    }
  }
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                         QDir::Name)
                  .filter(".sfx")
                  .isEmpty());
  EXPECT_TRUE(listPresetNames(presetFolder()).empty());
}

TEST_F(StylePanel, PresetThatCannotBeWrittenKeepsTheEffectName) {
  QDir().mkpath(dir.filePath("data"));
  {
    QFile blocker(dir.filePath("data/shapefx"));  // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }
  f->putShape(kBox).fx[0].name = "FX_0";
  f->prompt.answerInput("glow");
  f->userPresses(kCtlPresetSave);
  EXPECT_EQ(f->shape(0).fx[0].name, "FX_0");
  EXPECT_TRUE(recorded.empty());
  ASSERT_EQ(f->prompt.messages.size(), 1u);
  EXPECT_EQ(f->prompt.messages[0].title, "Error");
  EXPECT_EQ(f->prompt.messages[0].text, "Unable to save the preset " + presetFolder() + "glow.sfx");
}

TEST_F(StylePanel, MalformedPresetLoadsNothingAndSaysSo) {
  writePreset("bad.sfx", "gen,bad,0.15\r\nshapefx,0,x1\r\n");
  listPresets(f->ctx);
  f->putShape(kBox);
  const Shape before = f->shape(0);
  for (const char* name : {"bad", "gone"}) {
    SCOPED_TRACE(name);
    resetRecords();
    f->controls.setItems(kCtlPresetList, {name});
    f->userPresses(kCtlPresetList);
    EXPECT_EQ(f->shape(0).fx[0].name, before.fx[0].name);
    EXPECT_EQ(f->shape(0).fx[0].x, before.fx[0].x);
    EXPECT_TRUE(recorded.empty());
    ASSERT_EQ(f->prompt.messages.size(), 1u);
    EXPECT_EQ(f->prompt.messages[0].title, "Error");
    EXPECT_NE(f->prompt.messages[0].text.find(presetFolder() + name + ".sfx"), std::string::npos);
  }
}

}  // namespace
}  // namespace pw
