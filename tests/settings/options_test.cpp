#include "settings/options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "fileio/atomic_file.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

class OptionsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "pw_options_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    path_ = (dir_ / "Preferences.ini").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  void put(const std::string& text) const { put(path_, text); }
  static void put(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
  }
  static std::string get(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  std::set<std::string> entries() const {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.insert(e.path().filename().string());
    return out;
  }

  fs::path dir_;
  std::string path_;
};

sVdOptions defaults() {
  sVdOptions o;
  setDefaultOptions(o);
  return o;
}

// The file a first start writes, as a user finds it on disk.
const char* const kDefaultFile =
    "{\r\n"
    "  \"ShowTip\"         : 1,\r\n"
    "  \"ConfirmExit\"     : 1,\r\n"
    "  \"WinW\"            : 1024,\r\n"
    "  \"WinH\"            : 768,\r\n"
    "  \"WinState\"        : 16777216,\r\n"
    "  \"Zoom\"            : 100,\r\n"
    "  \"HideAncre\"       : 0,\r\n"
    "  \"ShowOnlySel\"     : 0,\r\n"
    "  \"ShowSelection\"   : 1,\r\n"
    "  \"ShowCameraBorder\": 1,\r\n"
    "  \"ShowCameraCache\" : 1,\r\n"
    "  \"ShowCameraSafe\"  : 0,\r\n"
    "  \"CameraCacheAlpha\": 255,\r\n"
    "  \"PanelW\"          : 150,\r\n"
    "  \"ToolBarH\"        : 30,\r\n"
    "  \"TimeLineH\"       : 80,\r\n"
    "  \"CameraX\"         : 0,\r\n"
    "  \"CameraY\"         : 0,\r\n"
    "  \"CameraW\"         : 1024,\r\n"
    "  \"CameraH\"         : 768,\r\n"
    "  \"BgColor\"         : -8882056,\r\n"
    "  \"BgImg\"           : 0,\r\n"
    "  \"GridColor\"       : -3618616,\r\n"
    "  \"Autosave\"        : 1,\r\n"
    "  \"AutosaveTime\"    : 180,\r\n"
    "  \"Snap\"            : 0,\r\n"
    "  \"SnapX\"           : 32,\r\n"
    "  \"SnapY\"           : 32,\r\n"
    "  \"Offset\"          : 0,\r\n"
    "  \"GridW\"           : 32,\r\n"
    "  \"GridH\"           : 32,\r\n"
    "  \"ShowGrid\"        : 0\r\n"
    "}";

TEST_F(OptionsFile, FirstStartWritesTheDefaultsByteForByte) {
  sVdOptions o;
  EXPECT_FALSE(loadOptions(o, path_, true));
  const std::string text = get(path_);
  EXPECT_EQ(text, kDefaultFile);
  EXPECT_NE(text.find("\r\n  \"Zoom\"            : 100,\r\n"), std::string::npos);
  EXPECT_EQ(text.back(), '}');
  EXPECT_EQ(static_cast<unsigned char>(text[0]), '{');  // no byte-order mark
  EXPECT_EQ(optionsText(o), text);
  EXPECT_EQ(o.WinState, 16777216);
  EXPECT_EQ(o.BgColor, -8882056);

  // Every member line has its colon in column 21.
  size_t start = 3, lines = 0;
  while (start < text.size() - 1) {
    const size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(text.find(':', start), start + 20) << text.substr(start, end - start);
    start = end + 2;
    ++lines;
  }
  EXPECT_EQ(lines, 32u);

  // Read back, it gives the defaults again and reports a good file.
  sVdOptions back;
  back.Zoom = 7;
  EXPECT_TRUE(loadOptions(back, path_, true));
  EXPECT_EQ(optionsText(back), kDefaultFile);
}

TEST_F(OptionsFile, EveryFieldSurvivesSaveAndLoad) {
  sVdOptions o = defaults();
  o.ShowTip = 0;
  o.ConfirmExit = 0;
  o.WinW = 1600;
  o.WinH = 900;
  o.WinState = 536870912;
  o.Zoom = 250;
  o.HideAncre = 1;
  o.ShowOnlySel = 1;
  o.ShowSelection = 0;
  o.ShowCameraBorder = 0;
  o.ShowCameraCache = 0;
  o.ShowCameraSafe = 1;
  o.CameraCacheAlpha = 17;
  o.PanelW = 151;
  o.ToolBarH = 31;
  o.TimeLineH = 90;
  o.CameraX = -40;
  o.CameraY = -30;
  o.CameraW = 640;
  o.CameraH = 480;
  o.BgColor = -1;
  o.BgImg = 1;
  o.GridColor = 0x11223344;
  o.Autosave = 0;
  o.AutosaveTime = 600;
  o.Snap = 1;
  o.SnapX = 8;
  o.SnapY = 9;
  o.Offset = 3;
  o.GridW = 10;
  o.GridH = 11;
  o.ShowGrid = 1;
  std::string err;
  ASSERT_TRUE(saveOptions(o, path_, &err)) << err;
  EXPECT_NE(get(path_).find("  \"CameraX\"         : -40,\r\n"), std::string::npos);

  sVdOptions back;
  ASSERT_TRUE(loadOptions(back, path_, false));
  EXPECT_EQ(back.WinState, 536870912);
  EXPECT_EQ(back.CameraX, -40);
  EXPECT_EQ(back.BgColor, -1);
  EXPECT_EQ(back.GridColor, 0x11223344);
  EXPECT_EQ(back.Offset, 3);
  EXPECT_EQ(back.ShowGrid, 1);
  EXPECT_EQ(back.ShowTip, 0);
  EXPECT_EQ(optionsText(back), optionsText(o));
}

TEST_F(OptionsFile, MissingMembersKeepTheirDefaults) {
  put("{\"Zoom\": 300}");
  sVdOptions o;
  EXPECT_TRUE(loadOptions(o, path_, true));
  sVdOptions want = defaults();
  want.Zoom = 300;
  EXPECT_EQ(o.Zoom, 300);
  EXPECT_EQ(o.WinW, 1024);
  EXPECT_EQ(o.TimeLineH, 80);
  EXPECT_EQ(o.GridColor, -3618616);
  EXPECT_EQ(optionsText(o), optionsText(want));
  EXPECT_EQ(get(path_), "{\"Zoom\": 300}");  // a good file is not rewritten at load
}

TEST_F(OptionsFile, ValuesThatWouldBreakTheEditorAreRaised) {
  put("{\"TimeLineH\": 5, \"Zoom\": 0, \"GridW\": -3, \"GridH\": 0, \"SnapX\": 0, \"SnapY\": -1,"
      " \"WinW\": 100, \"WinH\": 10, \"AutosaveTime\": 0, \"CameraW\": 0}");
  sVdOptions o;
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.TimeLineH, 20);
  EXPECT_EQ(o.Zoom, 1);
  EXPECT_EQ(o.GridW, 1);
  EXPECT_EQ(o.GridH, 1);
  EXPECT_EQ(o.SnapX, 1);
  EXPECT_EQ(o.SnapY, 1);
  EXPECT_EQ(o.WinW, 400);
  EXPECT_EQ(o.WinH, 300);
  EXPECT_EQ(o.AutosaveTime, 10);
  EXPECT_EQ(o.CameraW, 0);  // no floor: the camera may be empty
  ASSERT_TRUE(saveOptions(o, path_));
  EXPECT_NE(get(path_).find("  \"TimeLineH\"       : 20,\r\n"), std::string::npos);

  // Values at the floor stay.
  put("{\"TimeLineH\": 20, \"Zoom\": 1, \"AutosaveTime\": 10, \"WinW\": 400}");
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.TimeLineH, 20);
  EXPECT_EQ(o.Zoom, 1);
  EXPECT_EQ(o.AutosaveTime, 10);
  EXPECT_EQ(o.WinW, 400);
}

TEST_F(OptionsFile, IntegersKeepTheLowOrderBitsOfTheirField) {
  put("{\"ShowTip\": 257, \"ShowGrid\": -1, \"WinW\": 66736, \"CameraX\": -1, \"CameraY\": 32768,"
      " \"WinState\": -9223372036854775808, \"BgColor\": 9223372036854775807, \"BgImg\": -0}");
  sVdOptions o;
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.ShowTip, 1);
  EXPECT_EQ(o.ShowGrid, 255);
  EXPECT_EQ(o.WinW, 1200);
  EXPECT_EQ(o.CameraX, -1);
  EXPECT_EQ(o.CameraY, -32768);
  EXPECT_EQ(o.WinState, INT64_MIN);
  EXPECT_EQ(o.BgColor, INT64_MAX);
  EXPECT_EQ(o.BgImg, 0);
}

TEST_F(OptionsFile, OnlyIntegerMembersWithExactNamesAreUsed) {
  put("{\r\n \"zoom\": 5, \"ZOOM\": 6, \"Zoom \": 7, \"Unknown\": {\"a\": [1, 2, {\"b\": null}]},\n"
      "\t\"WinW\": 800.5, \"WinH\": \"600\", \"GridW\": 1e2, \"Snap\": true, \"TimeLineH\": null,\n"
      " \"CameraW\": [640], \"CameraH\": {\"v\": 480}, \"SnapX\": 99999999999999999999999,\n"
      " \"SnapY\": 9223372036854775808, \"GridH\": -9223372036854775809, \"Offset\": 2.0,\n"
      " \"\\u0053howGrid\": 1, \"PanelW\": 1, \"PanelW\": 2}");
  sVdOptions o;
  EXPECT_TRUE(loadOptions(o, path_, true));
  const sVdOptions d = defaults();
  EXPECT_EQ(o.Zoom, d.Zoom);
  EXPECT_EQ(o.WinW, d.WinW);
  EXPECT_EQ(o.WinH, d.WinH);
  EXPECT_EQ(o.GridW, d.GridW);
  EXPECT_EQ(o.Snap, d.Snap);
  EXPECT_EQ(o.TimeLineH, d.TimeLineH);
  EXPECT_EQ(o.CameraW, d.CameraW);
  EXPECT_EQ(o.CameraH, d.CameraH);
  EXPECT_EQ(o.SnapX, d.SnapX);
  EXPECT_EQ(o.SnapY, d.SnapY);
  EXPECT_EQ(o.GridH, d.GridH);
  EXPECT_EQ(o.Offset, d.Offset);
  EXPECT_EQ(o.ShowGrid, 1);  // names compare after their escapes are decoded
  EXPECT_EQ(o.PanelW, 2);    // a repeated member: the last one counts
}

TEST_F(OptionsFile, InvalidFileIsKeptAsBakAndReplaced) {
  const std::string bad = std::string("{\"Zoom\": 250,\r\n \"WinW\": \x01 }\xff");
  put(bad);
  sVdOptions o;
  o.Zoom = 3;
  EXPECT_FALSE(loadOptions(o, path_, true));
  EXPECT_EQ(optionsText(o), kDefaultFile);  // nothing of the broken file is used
  EXPECT_EQ(get(path_ + ".bak"), bad);
  EXPECT_EQ(get(path_), kDefaultFile);
  EXPECT_EQ(entries(), (std::set<std::string>{"Preferences.ini", "Preferences.ini.bak"}));

  // Valid JSON that is not an object counts as invalid too; an old backup is replaced.
  for (const std::string text : {"[1, 2]", "\"Zoom\"", "42", "null", "", "   ", "{} {}",
                                 "{\"Zoom\": 100,}", "{\"Zoom\" 100}", "{'Zoom': 100}",
                                 "{\"Zoom\": 0100}", "{\"Zoom\": +1}", "{\"Zoom\": 1.}",
                                 "{\"Zoom\": .5}", "{\"Zoom\": 1e}", "{\"Zoom\": tru}",
                                 "{\"Zoom\": NaN}", "{\"Zoom\": -}", "{\"Zo\tom\": 1}"}) {
    put(text);
    EXPECT_FALSE(loadOptions(o, path_, true)) << text;
    EXPECT_EQ(get(path_ + ".bak"), text);
    EXPECT_EQ(get(path_), kDefaultFile);
  }
}

TEST_F(OptionsFile, CameraIsCutToTheLargestCanvasAndAnEmptyOneIsNamed) {
  struct Case {
    int w, h;       // in the file
    int wantW, wantH;
    bool usable;
  } const cases[] = {
      {1024, 768, 1024, 768, true},      {16384, 16384, 16384, 16384, true},
      {32767, 20, 16384, 20, true},      {20, 16385, 20, 16384, true},
      {0, 768, 0, 768, false},           {640, -5, 640, -5, false},
      {-32768, -32768, -32768, -32768, false},
  };
  for (const Case& c : cases) {
    put("{\"CameraW\": " + std::to_string(c.w) + ", \"CameraH\": " + std::to_string(c.h) + "}");
    sVdOptions o;
    ASSERT_TRUE(loadOptions(o, path_, false));
    EXPECT_EQ(o.CameraW, c.wantW) << c.w;
    EXPECT_EQ(o.CameraH, c.wantH) << c.h;
    const std::string why = cameraProblem(o);
    EXPECT_EQ(why.empty(), c.usable) << why;
    if (!c.usable) {
      EXPECT_EQ(why, "the camera is " + std::to_string(c.wantW) + " x " + std::to_string(c.wantH) +
                         " pixels; both sides must be from 1 to 16384");
    }
  }
}

TEST_F(OptionsFile, AFifoIsNotWaitedFor) {
  ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
  sVdOptions o;
  EXPECT_FALSE(loadOptions(o, path_, true));
  EXPECT_EQ(optionsText(o), kDefaultFile);
  EXPECT_EQ(entries(), std::set<std::string>{"Preferences.ini"});
}

TEST_F(OptionsFile, HeadlessLoadsNeverWrite) {
  sVdOptions o;
  EXPECT_FALSE(loadOptions(o, path_, false));
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(o.Zoom, 100);

  put("{ broken");
  EXPECT_FALSE(loadOptions(o, path_, false));
  EXPECT_EQ(entries(), std::set<std::string>{"Preferences.ini"});
  EXPECT_EQ(get(path_), "{ broken");
  EXPECT_EQ(optionsText(o), kDefaultFile);
}

TEST_F(OptionsFile, UnreadablePathIsLeftAlone) {
  fs::create_directory(path_);  // a folder where the file should be
  sVdOptions o;
  EXPECT_FALSE(loadOptions(o, path_, true));
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_EQ(entries(), std::set<std::string>{"Preferences.ini"});
  EXPECT_EQ(optionsText(o), kDefaultFile);
}

TEST_F(OptionsFile, ByteOrderMarkAndOtherWhitespaceAreTolerated) {
  put("\xEF\xBB\xBF\n\t{ \"Zoom\"\r\n:\t-0 , \"WinW\" : 2000 }\r\n\r\n");
  sVdOptions o;
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.Zoom, 1);  // -0 is zero, raised to the floor
  EXPECT_EQ(o.WinW, 2000);
}

TEST_F(OptionsFile, HostileTextNeverCrashes) {
  sVdOptions o;
  // Nesting within the limit is fine; far beyond it the file is refused, not recursed into.
  const std::string ok = "{\"Deep\": " + std::string(100, '[') + std::string(100, ']') +
                         ", \"Zoom\": 42}";
  put(ok);
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.Zoom, 42);
  put("{\"Deep\": " + std::string(200000, '[') + std::string(200000, ']') + "}");
  EXPECT_FALSE(loadOptions(o, path_, false));
  put(std::string(100000, '{'));
  EXPECT_FALSE(loadOptions(o, path_, false));

  // Numbers far out of range are valid JSON but no usable integer.
  put("{\"Zoom\": 1e999999999, \"WinW\": -1E-999999999, \"WinH\": 1" + std::string(5000, '9') +
      "}");
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.Zoom, 100);
  EXPECT_EQ(o.WinW, 1024);
  EXPECT_EQ(o.WinH, 768);
  for (const std::string text :
       {"{\"Zoom", "{\"Zoom\": \"abc", "{\"a\\", "{\"a\\u12", "{\"a\\u12g4\": 1}", "{\"a\\x\": 1}",
        "{\"\xc3\": 1}", "{\"\xc3\x28\": 1}", "{\"\xe0\x80\xaf\": 1}", "{\"\xed\xa0\x80\": 1}",
        "{\"\xf4\x90\x80\x80\": 1}", "{\"\xf0\x9f\x98", "{\"a\": [1, 2", "{\"a\": {\"b\"",
        "{\"a\": -", "{\"a\": 1e+", "{\"a\": t", "{\"a\": nul", "{", "}", "\xff\xfe{}"}) {
    put(text);
    EXPECT_FALSE(loadOptions(o, path_, false)) << text;
    EXPECT_EQ(optionsText(o), kDefaultFile);
  }
  // Escapes that are valid JSON, lone surrogates included, and a real multi-byte name.
  put("{\"\\ud83d\\ude00\": 1, \"\\udc00\\ud800\": 2, \"\\ud800\\u0041\": 3, \"\xe2\x82\xac\": 4,"
      " \"\\\"\\\\\\/\\b\\f\\n\\r\\t\": 5, \"Zoom\": 55}");
  EXPECT_TRUE(loadOptions(o, path_, false));
  EXPECT_EQ(o.Zoom, 55);

  // Random damage to a good file: every variant either loads or falls back to the defaults.
  std::mt19937 rng(12345);
  const std::string good = kDefaultFile;
  for (int round = 0; round < 800; ++round) {
    std::string t = good;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % t.size();
      switch (rng() % 3) {
        case 0: t[at] = static_cast<char>(rng() % 256); break;
        case 1: t.erase(at, 1 + rng() % 8); break;
        default: t.insert(at, 1, "{}[]\",:\\-.e0u"[rng() % 13]); break;
      }
      if (t.empty()) t.assign(1, '{');  // GCC 12 at -O3 misreads an assignment here (-Wrestrict)
    }
    put(t);
    if (!loadOptions(o, path_, false)) {
      EXPECT_EQ(optionsText(o), kDefaultFile);
    }
    EXPECT_GE(o.TimeLineH, 20);
    EXPECT_GE(o.Zoom, 1);
  }
}

TEST_F(OptionsFile, SaveIsAtomic) {
  put("old contents");
  std::string err;
  ASSERT_TRUE(saveOptions(defaults(), path_, &err)) << err;
  EXPECT_EQ(get(path_), kDefaultFile);
  EXPECT_EQ(entries(), std::set<std::string>{"Preferences.ini"});  // no temporary file left

  // A folder that cannot be written: the old file stays as it was and the error is told.
  sVdOptions o = defaults();
  o.Zoom = 400;
  fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const bool wrote = saveOptions(o, path_, &err);
  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
  if (!wrote) {  // (root may write anyway)
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(get(path_), kDefaultFile);
  }
  EXPECT_EQ(entries(), std::set<std::string>{"Preferences.ini"});
  err.clear();
  EXPECT_FALSE(saveOptions(o, (dir_ / "no" / "such" / "Preferences.ini").string(), &err));
  EXPECT_FALSE(err.empty());
}

TEST_F(OptionsFile, RecentScenesAndFoldersSurviveSaveAndLoad) {
  sVdOptions o = defaults();
  o.RecentFiles = {"/home/ann/b.txt", "/tmp/with \"quote\", back\\slash\tand tab.txt",
                   "/srv/sc\xc3\xa8ne.txt"};
  o.SceneFolder = "/home/ann";
  o.ImageFolder = "/pics";
  o.ExportFolder = "/out";
  ASSERT_TRUE(saveOptions(o, path_));
  const std::string text = get(path_);
  // The members of old follow one another unchanged; the new ones come after them.
  EXPECT_EQ(text.rfind(std::string(kDefaultFile).substr(0, std::string(kDefaultFile).size() - 4), 0),
            0u);
  EXPECT_NE(text.find("\r\n  \"SceneFolder\"     : \"/home/ann\",\r\n"), std::string::npos);
  sVdOptions back;
  ASSERT_TRUE(loadOptions(back, path_, false));
  EXPECT_EQ(back.RecentFiles, o.RecentFiles);
  EXPECT_EQ(back.SceneFolder, o.SceneFolder);
  EXPECT_EQ(back.ImageFolder, o.ImageFolder);
  EXPECT_EQ(back.ExportFolder, o.ExportFolder);
  EXPECT_EQ(optionsText(back), text);
}

TEST_F(OptionsFile, RecentListKeepsEightNewestFirstAndSkipsWhatItCannotHold) {
  sVdOptions o = defaults();
  for (int i = 0; i < 10; ++i) addRecentFile(o, "/s" + std::to_string(i) + ".txt");
  addRecentFile(o, "/s5.txt");  // again: moves to the front
  addRecentFile(o, "");
  EXPECT_EQ(o.RecentFiles, (std::vector<std::string>{"/s5.txt", "/s9.txt", "/s8.txt", "/s7.txt",
                                                     "/s6.txt", "/s4.txt", "/s3.txt", "/s2.txt"}));
  EXPECT_TRUE(removeRecentFile(o, "/s9.txt"));
  EXPECT_FALSE(removeRecentFile(o, "/s9.txt"));
  EXPECT_EQ(o.RecentFiles.size(), 7u);

  // A path that is not UTF-8 cannot be written as JSON: it is left out, and the file stays
  // readable with everything else in it.
  o.RecentFiles = {"/ok.txt", "/bad\xff.txt"};
  o.ExportFolder = "/bad\xfe";
  ASSERT_TRUE(saveOptions(o, path_));
  sVdOptions back;
  ASSERT_TRUE(loadOptions(back, path_, false));
  EXPECT_EQ(back.RecentFiles, std::vector<std::string>{"/ok.txt"});
  EXPECT_TRUE(back.ExportFolder.empty());
}

TEST_F(OptionsFile, TextMembersOfTheWrongShapeAreIgnored) {
  struct Case {
    const char* json;
    std::vector<std::string> recent;
    std::string scenes;
  } cases[] = {
      {R"({"Zoom": 50})", {}, ""},
      {R"({"RecentFiles": "/a.txt", "SceneFolder": 5})", {}, ""},
      {R"({"RecentFiles": [1, "/a.txt", null, ["/b.txt"], "", "/a.txt", "/c.txt"]})",
       {"/a.txt", "/c.txt"}, ""},
      {R"({"RecentFiles": ["/1","/2","/3","/4","/5","/6","/7","/8","/9"]})",
       {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}, ""},
      {R"({"SceneFolder": "/x", "SceneFolder": 3})", {}, ""},
      {R"({"SceneFolder": "/x\u0000y"})", {}, ""},
      {R"({"Zoom": "/x", "SceneFolder": "/scenes"})", {}, "/scenes"},
  };
  for (const Case& c : cases) {
    put(c.json);
    sVdOptions o;
    ASSERT_TRUE(loadOptions(o, path_, false)) << c.json;
    EXPECT_EQ(o.RecentFiles, c.recent) << c.json;
    EXPECT_EQ(o.SceneFolder, c.scenes) << c.json;
    EXPECT_GE(o.Zoom, 1) << c.json;
  }
}

}  // namespace
}  // namespace pw
