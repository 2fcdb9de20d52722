// Effect presets: the file text, reading it back, narrowing into an effect, the names a preset
// may have, the folder listing and the presets that ship with the editor.
#include "core/fx_preset.h"
#include "core/create.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fileio/atomic_file.h"
#include "support/files.h"
#include "support/paths.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

ShapeFx newFx() {
  ShapeFx f;
  applyFxDefaults(f, 0);
  return f;
}

TEST(FxPresetText, NewEffectSavedAsGlowIsTheTwoLineExample) {
  EXPECT_EQ(presetText("glow", 0, newFx()),
            "gen,glow,0.15\r\nshapefx,0,0,0,-16746241,255,0,0,10,5,5,100,0,0\r\n");
}

TEST(FxPresetText, ReadsBackEveryParameterButNotActive) {
  ShapeFx a = newFx();
  a.x = -kFxOffsetMax;
  a.y = kFxOffsetMax;
  a.color = packRGBA(1, 2, 3, 4);
  a.alpha = 4;
  a.depth = 3;
  a.type = 2;
  a.width = kFxSizeMax;
  a.height = kFxSizeMin;
  a.dist = 7;
  a.scale = -250;
  a.spareA = -32768;
  a.spareB = 32767;
  a.active = 1;
  FxPreset p;
  ASSERT_TRUE(parsePreset(presetText("mine", 4, a), p));
  ShapeFx b;
  b.active = 0;
  b.name = "old";
  applyPreset(p, 2, b);
  EXPECT_EQ(b.name, "mine");
  EXPECT_EQ(b.active, 0);  // a preset never switches an effect on or off
  b.active = a.active;
  EXPECT_EQ(presetText("mine", 4, b), presetText("mine", 4, a));
}

TEST(FxPresetParse, NumberRuleAndFieldWidths) {
  struct Case {
    const char* field;  // the x field and the alpha field get it
    int16_t x;
    uint8_t alpha;
  };
  const Case cases[] = {
      {"12", 12, 12},      {"-3", -3, 0},      {"+7", 7, 7},
      {"$ff", 255, 255},   {"$1F4", 500, 255}, {"%101", 5, 5},
      {"-%11", -3, 0},     {"70000", 10000, 255}, {"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const std::string f = c.field;
    FxPreset p;
    ASSERT_TRUE(parsePreset("shapefx,0," + f + ",0,0," + f + "\r\n", p));
    ShapeFx fx;
    applyPreset(p, 0, fx);
    EXPECT_EQ(fx.x, c.x);
    EXPECT_EQ(fx.alpha, c.alpha);
  }
}

// The twelve parameters of an effect in the order of a preset line.
std::vector<int64_t> fxParams(const ShapeFx& f) {
  return {f.x, f.y, f.color, f.alpha, f.depth, f.type, f.width, f.height, f.dist, f.scale,
          f.spareA, f.spareB};
}

TEST(FxPresetParse, ValuesAreHeldWithinTheirControlsRanges) {
  const struct {
    const char* what;
    const char* fields;  // fields 3 to 14 of the "shapefx" line
    std::vector<int64_t> stored;
  } cases[] = {
      {"largest values",
       "9223372036854775807,9223372036854775807,9223372036854775807,9223372036854775807,"
       "9223372036854775807,9223372036854775807,9223372036854775807,9223372036854775807,"
       "9223372036854775807,9223372036854775807,9223372036854775807,9223372036854775807",
       {10000, 10000, -1, 255, 3, 3, 1000, 1000, 1000, 10000, 32767, 32767}},
      {"smallest values",
       "-9223372036854775808,-9223372036854775808,-9223372036854775808,-9223372036854775808,"
       "-9223372036854775808,-9223372036854775808,-9223372036854775808,-9223372036854775808,"
       "-9223372036854775808,-9223372036854775808,-9223372036854775808,-9223372036854775808",
       {-10000, -10000, 0, 0, 0, 0, 1, 1, 1, -10000, -32768, -32768}},
      {"one past each limit", "10001,-10001,4294967301,256,4,4,1001,0,-5,-10001,32768,-32769",
       {10000, -10000, 5, 255, 3, 3, 1000, 1, 1, -10000, 32767, -32768}},
      {"at the limits", "-10000,10000,-1,0,3,0,1,1000,1,10000,-32768,32767",
       {-10000, 10000, -1, 0, 3, 0, 1, 1000, 1, 10000, -32768, 32767}},
      {"a new effect's values", "0,0,-16746241,255,0,0,10,5,5,100,0,0",
       {0, 0, -16746241, 255, 0, 0, 10, 5, 5, 100, 0, 0}},
      {"missing sizes are stored as 1", "1,2,3", {1, 2, 3, 0, 0, 0, 1, 1, 1, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FxPreset p;
    ASSERT_TRUE(parsePreset(std::string("shapefx,0,") + c.fields + "\r\n", p));
    ShapeFx fx = newFx();
    applyPreset(p, 0, fx);
    EXPECT_EQ(fxParams(fx), c.stored);
  }
}

TEST(FxPresetParse, NameRulesAndMissingFields) {
  struct Case {
    const char* text;
    int64_t index;
    const char* name;  // the effect's name afterwards (it was "before")
  };
  const Case cases[] = {
      {"gen,,0.15\r\nshapefx,0,1\r\n", 3, "fx_3"},     // empty header name: "fx_" + index
      {"gen\nshapefx,0,1\n", 0, "fx_0"},                // header without fields
      {"shapefx,0,1\r\n", 5, "before"},                 // no header: the name stays
      {"gen,shadow,0.15\r\nshapefx,9,1\r\n", 1, "shadow"},
      {"note,x\r\ngen,a\r\nshapefx,0,1\r\ngen,b\r\n", 0, "b"},  // unknown lines skipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FxPreset p;
    ASSERT_TRUE(parsePreset(c.text, p));
    ShapeFx fx = newFx();
    fx.name = "before";
    applyPreset(p, c.index, fx);
    EXPECT_EQ(fx.name, c.name);
    EXPECT_EQ(fx.x, 1);
    // Fields the line does not have read as 0.
    EXPECT_EQ(fx.y, 0);
    EXPECT_EQ(fx.color, 0);
    EXPECT_EQ(fx.scale, 0);
  }
}

TEST(FxPresetParse, MalformedTextsAreRefusedWithAReason) {
  const std::string cases[] = {
      "",
      "gen,a,0.15\r\n",
      "hello\r\nworld\r\n",
      "shapefx,0,abc\r\n",
      "shapefx,0,1,2,3x\r\n",
      "shapefx,0,$\r\n",
      "shapefx,0,%2\r\n",
      "shapefx,0,1 \r\n",
      std::string("shapefx,0,1\r\n\0", 14),
  };
  for (const std::string& t : cases) {
    SCOPED_TRACE(t);
    FxPreset p;
    p.name = "untouched";
    std::string err;
    EXPECT_FALSE(parsePreset(t, p, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(p.name, "untouched");
  }
}

TEST(FxPresetName, OnlyNamesThatStayInTheFolder) {
  struct Case {
    const char* name;
    bool ok;
  };
  const Case cases[] = {
      {"glow", true},        {"Drop shadow", true}, {"a.b", true},       {"ombré", true},
      {"", false},           {"   ", false},        {"\t", false},       {"../x", false},
      {"a/b", false},        {"a\\b", false},       {".hidden", false},  {"..", false},
      {"a\nb", false},       {"a\rb", false},       {"a\x7f", false},    {"a\xc2\x85", false},
      {"a,b", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isValidPresetName(c.name), c.ok);
  }
  EXPECT_EQ(trimPresetName("  glow\t "), "glow");
  EXPECT_EQ(presetPath("data/shapefx/", "glow"), "data/shapefx/glow.sfx");
}

TEST(FxPresetFolder, ListsEverySfxFileUnderTheNameThatLoadsIt) {
  TempDir d;
  for (const char* f : {"b.sfx", "x.sfx.sfx", "a.sfx", "notes.txt", "c.SFX", ".hidden.sfx",
                        "mid.sfxy", "x.sfx", "zz x.sfx.sfx", "a.sfxb.sfx", ".sfx"})
    d.write(f, std::string("gen,") + f + "\r\nshapefx,0\r\n");  // each file names itself
  fs::create_directory(fs::path(d.path()) / "folder.sfx");
  const std::vector<std::string> names = listPresetNames(d.at(""));
  EXPECT_EQ(names,
            (std::vector<std::string>{"a", "a.sfxb", "b", "x", "x.sfx", "zz x.sfx"}));
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(isValidPresetName(n));
    FxPreset p;
    std::string err;
    ASSERT_TRUE(loadPresetFile(presetPath(d.at(""), n), p, &err)) << err;
    EXPECT_EQ(p.name, n + ".sfx");  // the listed name reads its own file
  }
  EXPECT_TRUE(listPresetNames(d.at("") + "missing/").empty());
}

TEST(FxPresetFolder, SaveReplacesAndLoadReadsBack) {
  TempDir d;
  const std::string path = presetPath(d.at("") + "shapefx/", "glow");  // folder made on save
  ShapeFx fx = newFx();
  ASSERT_TRUE(savePresetFile(path, "glow", 2, fx));
  fx.x = 9;
  ASSERT_TRUE(savePresetFile(path, "glow", 2, fx));  // replaces the file
  EXPECT_EQ(listPresetNames(d.at("") + "shapefx/"), std::vector<std::string>{"glow"});
  FxPreset p;
  ASSERT_TRUE(loadPresetFile(path, p));
  EXPECT_EQ(p.x, 9);
  EXPECT_EQ(p.name, "glow");
}

TEST(FxPresetFolder, FailuresSayWhy) {
  TempDir d;
  d.write("plain", "x");
  std::string err;
  // The folder is a regular file: nothing can be written below it.
  EXPECT_FALSE(savePresetFile(d.at("") + "plain/glow.sfx", "glow", 0, newFx(), &err));
  EXPECT_FALSE(err.empty());
  FxPreset p;
  err.clear();
  EXPECT_FALSE(loadPresetFile(d.at("") + "missing.sfx", p, &err));
  EXPECT_FALSE(err.empty());
  d.write("big.sfx", "shapefx,0\r\n" + std::string(kMaxPresetBytes, '\n'));
  err.clear();
  EXPECT_FALSE(loadPresetFile(d.at("") + "big.sfx", p, &err));
  EXPECT_NE(err.find("larger"), std::string::npos);
}

TEST(FxPresetShipped, EveryShippedPresetLoadsAndIsWrittenAsTheEditorWritesIt) {
  const std::string folder = std::string(pw::test::sourceDir()) + "/" + kPresetFolder;
  const std::vector<std::string> names = listPresetNames(folder);
  EXPECT_GE(names.size(), 4u);
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    FxPreset p;
    std::string err;
    ASSERT_TRUE(loadPresetFile(presetPath(folder, n), p, &err)) << err;
    EXPECT_EQ(p.name, n);
    ShapeFx fx;
    applyPreset(p, 0, fx);
    EXPECT_GE(fx.width, 1);
    EXPECT_EQ(alphaOf(fx.color), fx.alpha);  // the colour's alpha byte matches the alpha field
    std::string text;
    ASSERT_TRUE(readFileWhole(presetPath(folder, n), text));
    EXPECT_EQ(text, presetText(n, 0, fx));
  }
}

}  // namespace
}  // namespace pw
