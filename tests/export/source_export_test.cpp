// The PureBasic source export: file names, the origin, every line format, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/editor.h"
#include "core/scripted_prompt.h"
#include "export/source_export.h"
#include "support/fakes.h"
#include "support/files.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kOpaqueRed = -16776961;

Shape makeShape(uint8_t type, int16_t x, int16_t y, int16_t w, int16_t h,
                std::vector<std::pair<int64_t, int64_t>> pts = {{0, 0}}) {
  Shape s;
  s.type = type;
  s.x = x;
  s.y = y;
  s.w = w;
  s.h = h;
  s.color = kOpaqueRed;
  s.points.clear();
  for (auto [px, py] : pts) {
    ShapePoint p;
    p.x = px;
    p.y = py;
    s.points.push_back(p);
  }
  return s;
}

Object objectOf(std::vector<Shape> shapes, std::string name = "Object0") {
  Object o;
  o.name = std::move(name);
  o.shapes = std::move(shapes);
  return o;
}

// Lines of the text after the 11 header lines; each must have ended with CR LF.
std::vector<std::string> bodyLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line without CR LF";
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  if (lines.size() < 11) {
    ADD_FAILURE() << "no header";
    return {};
  }
  return {lines.begin() + 11, lines.end()};
}

TEST(SourceExport, FileNameRule) {
  const struct {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"scene", "scene.pb"},           {"scene.pb", "scene.pb"},
      {"scene.PB", "scene.PB.pb"},     {"a.pb.txt", "a.txt.pb"},
      {"x.pbpb", "xpb.pb"},            {"dir/scene", "dir/scene.pb"},
      {"a.p.pbb", "a.pb"},  // one pass: what the removal joins stays
      // A folder is not renamed: only the file's own name follows the rule.
      {"/tmp/my.pbfiles/s", "/tmp/my.pbfiles/s.pb"},
      {"/tmp/v1.2/s", "/tmp/v1.2/s.pb"},
  };
  for (const auto& c : cases) EXPECT_EQ(sourceFileName(c.chosen), c.written) << c.chosen;
}

TEST(SourceExport, HeaderAndWorkedBoxByteForByte) {
  Shape box = makeShape(kBox, 10, 20, 30, 40);
  const std::string text = sourceCodeText(objectOf({box}, "Car"), "07/03/2024");
  const std::string expected =
      "; Made with Penwick ! 0.15\r\n"
      "; Date : 07/03/2024\r\n"
      "; Pb Version : 5.42 + \r\n"
      "\r\n"
      "Global Zoom.f = 1\r\n"
      "\r\n"
      "\r\n"
      "Procedure Car(x,y,ScaleX.f=1,ScaleY.f=1,font=-1,txt$=\"\")\r\n"
      "\r\n"
      "    Protected Z.f\r\n"
      "    Z = Zoom\r\n"
      "    MovePathCursor((0+x)*Z, (0+y)*Z)\r\n"
      "    AddPathBox((0+x)*Z, (0+y)*Z, (30*ScaleX)*Z, (40*ScaleY)*Z)\r\n"
      "    VectorSourceColor(-16776961)\r\n"
      "    FillPath()\r\n"
      "\r\n"
      "\r\n"
      "EndProcedure \r\n"
      "\r\n"
      "\r\n";
  EXPECT_EQ(text, expected);
  EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");
}

TEST(SourceExport, LocalDateIsDayMonthYear) {
  const std::string d = localDateText();
  ASSERT_EQ(d.size(), 10u) << d;
  EXPECT_EQ(d[2], '/');
  EXPECT_EQ(d[5], '/');
  const int day = std::stoi(d.substr(0, 2)), month = std::stoi(d.substr(3, 2));
  EXPECT_TRUE(day >= 1 && day <= 31 && month >= 1 && month <= 12) << d;
  EXPECT_GE(std::stoi(d.substr(6)), 2024);
}

// The first cursor move of the last shape tells the origin that was chosen.
struct OriginCase {
  const char* what;
  std::vector<Shape> shapes;
  const char* firstMove;  // of the probe text at (100, 100)
};

TEST(SourceExport, OriginChoice) {
  Shape hiddenBox = makeShape(kBox, 40, 30, 5, 5);
  hiddenBox.hidden = 1;
  const std::vector<OriginCase> cases = {
      {"no candidate keeps 1000", {}, "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"box at y 0 is no candidate", {makeShape(kBox, 5, 0, 1, 1)},
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"box at y 1 is", {makeShape(kBox, 5, 1, 1, 1)}, "    MovePathCursor((95+x)*Z, (99+y)*Z)"},
      {"box at x -1 is not", {makeShape(kRoundBox, -1, 5, 1, 1)},
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"second candidate must be smaller on both axes",
       {makeShape(kBox, 5, 50, 1, 1), makeShape(kBox, 10, 3, 1, 1)},
       "    MovePathCursor((95+x)*Z, (50+y)*Z)"},
      {"equal is not smaller", {makeShape(kBox, 5, 50, 1, 1), makeShape(kBox, 5, 3, 1, 1)},
       "    MovePathCursor((95+x)*Z, (50+y)*Z)"},
      {"hidden shapes choose too", {hiddenBox}, "    MovePathCursor((60+x)*Z, (70+y)*Z)"},
      {"circle x - w >= w", {makeShape(kCircle, 40, 30, 20, 15)},
       "    MovePathCursor((80+x)*Z, (85+y)*Z)"},
      {"circle too close to the edge", {makeShape(kCircle, 39, 30, 20, 15)},
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"complex points, every one", {makeShape(kComplex, 10, 10, 0, 0, {{5, 7}, {-8, 3}, {0, 0}})},
       "    MovePathCursor((98+x)*Z, (87+y)*Z)"},
      {"line points", {makeShape(kLine, 10, 10, 0, 0, {{-20, -20}, {4, 4}})},
       "    MovePathCursor((110+x)*Z, (110+y)*Z)"},
      {"text and image are not candidates",
       {makeShape(kText, 1, 1, 5, 5), makeShape(kImage, 2, 2, 5, 5)},
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
  };
  for (const OriginCase& c : cases) {
    std::vector<Shape> shapes = c.shapes;
    for (Shape& s : shapes) s.link = 1;  // keep the probe's lines easy to find
    shapes.push_back(makeShape(kText, 100, 100, 1, 1));  // a text is never a candidate
    const auto lines = bodyLines(sourceCodeText(objectOf(shapes), "01/01/2024"));
    std::string lastMove;
    for (const std::string& l : lines)
      if (l.rfind("    MovePathCursor(", 0) == 0) lastMove = l;
    EXPECT_EQ(lastMove, c.firstMove) << c.what;
  }
}

TEST(SourceExport, HiddenShapeWritesNothing) {
  Shape hidden = makeShape(kBox, 10, 20, 30, 40);
  hidden.hidden = 1;
  const auto lines = bodyLines(sourceCodeText(objectOf({hidden}), "01/01/2024"));
  EXPECT_EQ(lines, (std::vector<std::string>{"", "EndProcedure ", "", ""}));
}

TEST(SourceExport, ComplexShapeOfSevenPointsWritesThreeCurves) {
  Shape c = makeShape(kComplex, 0, 0, 0, 0,
                      {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}});
  // The origin is (0, 0): the first point is the smallest.
  const auto lines = bodyLines(sourceCodeText(objectOf({c}), "01/01/2024"));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "    MovePathCursor((0+x)*Z, (0+y)*Z)");
  EXPECT_EQ(lines[1], "    AddPathCurve((1+x)*Z, (1+y)*Z, (2+x)*Z, (2+y)*Z, (3+x)*Z, (3+y)*Z)");
  EXPECT_EQ(lines[2], "    AddPathCurve((4+x)*Z, (4+y)*Z, (5+x)*Z, (5+y)*Z, (6+x)*Z, (6+y)*Z)");
  EXPECT_EQ(lines[3], "    AddPathCurve((0+x)*Z, (0+y)*Z, (1+x)*Z, (1+y)*Z, (2+x)*Z, (2+y)*Z)");
  EXPECT_EQ(lines[4], "    VectorSourceColor(-16776961)");
}

TEST(SourceExport, SixPointComplexClosesOnItsFirstPoint) {
  Shape c = makeShape(kComplex, 0, 0, 0, 0, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
  const auto lines = bodyLines(sourceCodeText(objectOf({c}), "01/01/2024"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "    AddPathCurve((4+x)*Z, (4+y)*Z, (5+x)*Z, (5+y)*Z, (0+x)*Z, (0+y)*Z)");
}

TEST(SourceExport, StylesAndShapeLines) {
  const struct {
    uint8_t type, style;
    std::vector<std::string> expected;  // lines after the first cursor move
  } cases[] = {
      {kCircle, 1, {"    AddPathEllipse((-990+x)*Z, (-980+y)*Z, (30*ScaleX)*Z, (40*ScaleY)*Z)",
                    "    VectorSourceColor(-16776961)", "    StrokePath(7,#PB_Path_RoundEnd)", ""}},
      {kRoundBox, 2, {"    VectorSourceColor(-16776961)", "    DashPath(7, 9)", ""}},
      {kLine, 3, {"    VectorSourceColor(-16776961)", "    DotPath(7, 9,#PB_Path_RoundEnd)", ""}},
      {kImage, 0, {"    VectorSourceColor(-16776961)", "    FillPath()", ""}},
  };
  for (const auto& c : cases) {
    Shape s = makeShape(c.type, 10, 20, 30, 40);
    s.style = c.style;
    s.lineW = 7;
    s.lineH = 9;
    s.lineDist = 99;  // never written
    const auto lines = bodyLines(sourceCodeText(objectOf({s}), "01/01/2024"));
    ASSERT_EQ(lines.size(), c.expected.size() + 1 + 4) << int(c.type);
    EXPECT_EQ(lines[0].rfind("    MovePathCursor(", 0), 0u);
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_EQ(lines[i + 1], c.expected[i]) << int(c.type) << " line " << i;
  }
}

TEST(SourceExport, LinkedShapesArePaintedTogether) {
  Shape a = makeShape(kBox, 10, 20, 30, 40);
  a.link = 1;
  Shape b = makeShape(kBox, 15, 25, 5, 5);
  const auto lines = bodyLines(sourceCodeText(objectOf({a, b}), "01/01/2024"));
  const std::vector<std::string> expected = {
      "    MovePathCursor((0+x)*Z, (0+y)*Z)",
      "    AddPathBox((0+x)*Z, (0+y)*Z, (30*ScaleX)*Z, (40*ScaleY)*Z)",
      "    MovePathCursor((5+x)*Z, (5+y)*Z)",
      "    AddPathBox((5+x)*Z, (5+y)*Z, (5*ScaleX)*Z, (5*ScaleY)*Z)",
      "    VectorSourceColor(-16776961)",
      "    FillPath()",
      "",
      "",
      "EndProcedure ",
      "",
      ""};
  EXPECT_EQ(lines, expected);
}

TEST(SourceExport, TextIsWrittenAsAStringLiteral) {
  const struct {
    const char* text;
    const char* literal;
  } cases[] = {
      {"Hello", "\"Hello\""},
      {"", "\"\""},
      {"say \"hi\"", "\"say \" + Chr(34) + \"hi\" + Chr(34) + \"\""},
      {"a\nb", "\"a\" + Chr(10) + \"b\""},
      {"caf\xC3\xA9 ; x", "\"caf\xC3\xA9 ; x\""},
  };
  for (const auto& c : cases) {
    Shape t = makeShape(kText, 10, 20, 24, 5);
    t.text = c.text;
    const auto lines = bodyLines(sourceCodeText(objectOf({t}), "01/01/2024"));
    ASSERT_GE(lines.size(), 5u);
    // The origin stays at 1000: a text is no candidate.
    EXPECT_EQ(lines[0], "    MovePathCursor((-990+x)*Z, (-980+y)*Z)");
    EXPECT_EQ(lines[1], "    MovePathCursor((-990+x)*Z, (-980+y)*Z)");
    EXPECT_EQ(lines[2], "    VectorFont(FontID(Font), (24*ScaleX)*Z)");
    EXPECT_EQ(lines[3], std::string("    txt$ = ") + c.literal +
                            " ; you can comment this line if needed and use the txt parameter in "
                            "the procedure");
    EXPECT_EQ(lines[4], "    AddPathText(txt$)");
  }
}

TEST(SourceExport, ColourIsASigned32BitNumber) {
  Shape s = makeShape(kBox, 10, 20, 1, 1);
  s.color = packRGBA(1, 2, 3, 127);
  auto lines = bodyLines(sourceCodeText(objectOf({s}), "01/01/2024"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "    VectorSourceColor(2130903553)");
  // A colour held with stray high bits still writes its 32-bit value.
  s.color = int64_t{0x1FF0000FF};
  lines = bodyLines(sourceCodeText(objectOf({s}), "01/01/2024"));
  EXPECT_EQ(lines[2], "    VectorSourceColor(-16776961)");
}

TEST(SourceExport, ProcedureNameIsAnIdentifier) {
  const struct {
    const char* name;
    const char* written;
  } cases[] = {
      {"Car", "Car"},  // identifiers stay byte for byte
      {"Object0", "Object0"},
      {"_x_9", "_x_9"},
      {"my car", "my_car"},
      {"a-b.c", "a_b_c"},
      {"9lives", "_9lives"},
      {"", "Object"},
      {" ", "_"},
      {"caf\xC3\xA9", "caf_"},                  // one "_" for each character
      {"\xE6\x97\xA5\xE6\x9C\xAC", "__"},
      {"x()\r\nEndProcedure\r\nRunProgram(\"rm\")\r\nProcedure y",
       "x____EndProcedure__RunProgram__rm____Procedure_y"},
  };
  const std::string plain = sourceCodeText(objectOf({makeShape(kBox, 10, 20, 30, 40)}, "P"), "d");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sourceProcedureName(c.name), c.written);
    const std::string text =
        sourceCodeText(objectOf({makeShape(kBox, 10, 20, 30, 40)}, c.name), "d");
    // Only the procedure line differs from the export of a plain name: no line was added.
    const std::string line = std::string("Procedure ") + c.written + "(x,y,";
    ASSERT_NE(text.find("\r\n" + line), std::string::npos);
    std::string expected = plain;
    expected.replace(expected.find("Procedure P("), 12, line.substr(0, line.size() - 4));
    EXPECT_EQ(text, expected);
  }
}

// Positions at the ends of the 64-bit range: sums are exact, a written number that does not fit
// is held at the nearest 64-bit value.
TEST(SourceExport, ExtremePositionsNeitherOverflowNorMoveTheOrigin) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  const struct {
    const char* what;
    Shape shape;
    const char* firstMove;  // of the shape
    const char* probeMove;  // of a text at (100, 100) after it
  } cases[] = {
      {"largest point, shape x 30000", makeShape(kLine, 30000, 30000, 0, 0, {{kMax, kMax}}),
       "    MovePathCursor((9223372036854775807+x)*Z, (9223372036854775807+y)*Z)",
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"near the largest, exact", makeShape(kLine, 0, 0, 0, 0, {{kMax - 5000, kMax - 5000}}),
       "    MovePathCursor((9223372036854769807+x)*Z, (9223372036854769807+y)*Z)",
       "    MovePathCursor((-900+x)*Z, (-900+y)*Z)"},
      {"smallest point, shape x -30000, becomes the origin",
       makeShape(kComplex, -30000, -30000, 0, 0, {{kMin, kMin}}),
       "    MovePathCursor((0+x)*Z, (0+y)*Z)",
       "    MovePathCursor((9223372036854775807+x)*Z, (9223372036854775807+y)*Z)"},
      {"smallest point, shape x 30000, exact", makeShape(kComplex, 30000, 0, 0, 0, {{kMin, 0}}),
       "    MovePathCursor((0+x)*Z, (0+y)*Z)",
       "    MovePathCursor((9223372036854745908+x)*Z, (100+y)*Z)"},
      {"a later point relative to the extreme origin",
       makeShape(kLine, 0, 0, 0, 0, {{kMin, kMin}, {kMax, kMax}}), nullptr,
       "    MovePathCursor((9223372036854775807+x)*Z, (9223372036854775807+y)*Z)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Shape s = c.shape;
    s.link = 1;
    const auto lines =
        bodyLines(sourceCodeText(objectOf({s, makeShape(kText, 100, 100, 1, 1)}), "d"));
    ASSERT_GE(lines.size(), 3u);
    if (c.firstMove) {
      EXPECT_EQ(lines[0], c.firstMove);
    }
    const auto probe = std::find(lines.begin() + 1, lines.end(), c.probeMove);
    EXPECT_NE(probe, lines.end()) << "no line " << c.probeMove;
  }
}

class SourceExportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/penwick-pb-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ed_.doc.Objects = {objectOf({makeShape(kBox, 10, 20, 30, 40)}, "First"),
                       objectOf({makeShape(kCircle, 50, 50, 5, 5)}, "Second")};
    ed_.sel.object = 1;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  ScriptedPrompt prompt_;
  test::FakeResources res_;
  Editor ed_{prompt_, res_};
};

TEST_F(SourceExportCommand, WritesTheCurrentObjectUnderTheRuledName) {
  prompt_.answerFile((dir_ / "out.pb.txt").string());
  ASSERT_TRUE(exportSourceCode(ed_));
  ASSERT_EQ(prompt_.dialogs.size(), 1u);
  EXPECT_EQ(prompt_.dialogs[0].title, "Save Purebasic Command...");
  EXPECT_EQ(prompt_.dialogs[0].filter, "Pb files (.pb)|*.pb|All Files|*.*");
  const std::string text = test::readFile(dir_ / "out.txt.pb");
  EXPECT_NE(text.find("Procedure Second("), std::string::npos);
  EXPECT_EQ(text.find("Procedure First("), std::string::npos);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_FALSE(ed_.modified);  // the export changes nothing
}

TEST_F(SourceExportCommand, CancelWritesNothingAndSaysNothing) {
  EXPECT_FALSE(exportSourceCode(ed_));
  EXPECT_TRUE(fs::is_empty(dir_));
  EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(SourceExportCommand, AFileThatCannotBeWrittenIsReported) {
  prompt_.answerFile((dir_ / "missing" / "out").string());
  EXPECT_FALSE(exportSourceCode(ed_));
  ASSERT_EQ(prompt_.messages.size(), 1u);
  EXPECT_EQ(prompt_.messages[0].title, "Error");
  EXPECT_NE(prompt_.messages[0].text.find("out.pb"), std::string::npos);
}

TEST_F(SourceExportCommand, NoCurrentObjectAsksNothing) {
  ed_.sel.object = 5;
  EXPECT_FALSE(exportSourceCode(ed_));
  EXPECT_TRUE(prompt_.dialogs.empty());
  std::string err;
  EXPECT_FALSE(writeSourceCode(ed_.doc, 2, (dir_ / "x.pb").string(), &err));
  EXPECT_FALSE(fs::exists(dir_ / "x.pb"));
  EXPECT_FALSE(err.empty());
}

}  // namespace
}  // namespace pw
