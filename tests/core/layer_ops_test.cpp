#include "core/layer_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/create.h"
#include "support/fakes.h"

namespace pw {
namespace {

TEST(LayerOpsTest, Utf8PrefixCountsCharacters) {
  struct Case {
    std::string in;
    size_t n;
    std::string out;
  };
  const Case cases[] = {
      {"abcdef", 3, "abc"},
      {"ab", 5, "ab"},
      {"", 2, ""},
      {"\xC3\xA9t\xC3\xA9", 2, "\xC3\xA9t"},              // two-byte characters stay whole
      {"\xE2\x82\xAC\xE2\x82\xAC", 1, "\xE2\x82\xAC"},    // three-byte
      {"\xF0\x9F\x98\x80x", 1, "\xF0\x9F\x98\x80"},       // four-byte
      {"a\x80\x80z", 2, "a\x80\x80z"},                    // stray continuation bytes ride along
  };
  for (const Case& c : cases) EXPECT_EQ(utf8Prefix(c.in, c.n), c.out) << c.in;
}

class LayerOpsEditorTest : public ::testing::Test {
 protected:
  test::TestEditor t;
  Editor& ed = t.ed;
  Document& doc = t.ed.doc;
  Selection& sel = t.ed.sel;
  std::vector<std::string> changes;

  void SetUp() override {
    addObject(ed, 0);
    addObject(ed, 1);
    addObject(ed, 1);
    ed.observe([this](const Change& c) { changes.push_back(c.name); });
  }
};

TEST_F(LayerOpsEditorTest, OutOfRangeCurrentObjectChangesNothing) {
  for (int64_t bad : {-1, 3, 99}) {
    sel.object = bad;
    EXPECT_FALSE(moveCurrentObject(ed, 1));
    EXPECT_FALSE(renameCurrentObject(ed, "x"));
    EXPECT_FALSE(setCurrentObjectLocked(ed, true));
    EXPECT_FALSE(setCurrentObjectAlpha(ed, 3));
    EXPECT_FALSE(askRenameCurrentObject(ed));
    sel.object = bad;
    EXPECT_FALSE(deleteCurrentObject(ed));
    EXPECT_EQ(sel.object, 0);
  }
  EXPECT_EQ(doc.Objects.size(), 3u);
  EXPECT_TRUE(changes.empty());
  EXPECT_FALSE(toggleObjectHidden(ed, 3));
}

TEST_F(LayerOpsEditorTest, DeleteMovesLaterObjectsDown) {
  sel.object = 1;
  EXPECT_TRUE(deleteCurrentObject(ed));
  ASSERT_EQ(doc.Objects.size(), 2u);
  EXPECT_EQ(doc.Objects[0].name, "Object0");
  EXPECT_EQ(doc.Objects[1].name, "Object2");
  EXPECT_EQ(sel.object, 0);
  EXPECT_TRUE(deleteCurrentObject(ed));
  EXPECT_FALSE(deleteCurrentObject(ed));
  EXPECT_EQ(doc.Objects.size(), 1u);
  EXPECT_EQ(changes.size(), 2u);
}

TEST_F(LayerOpsEditorTest, AlphaLockAndRenameAnnounceRealChangesOnly) {
  sel.object = 2;
  EXPECT_FALSE(setCurrentObjectAlpha(ed, 255));  // already 255
  EXPECT_FALSE(setCurrentObjectAlpha(ed, 300));  // limited to 255: no change
  EXPECT_EQ(doc.Objects[2].alpha, 255);
  EXPECT_TRUE(setCurrentObjectAlpha(ed, -4));
  EXPECT_EQ(doc.Objects[2].alpha, 0);
  EXPECT_TRUE(setCurrentObjectLocked(ed, true));
  EXPECT_FALSE(setCurrentObjectLocked(ed, true));
  EXPECT_FALSE(renameCurrentObject(ed, "Object2"));
  t.prompt.answerInput(std::string("Sky"));
  EXPECT_TRUE(askRenameCurrentObject(ed));
  EXPECT_EQ(doc.Objects[2].name, "Sky");
  EXPECT_EQ(changes, (std::vector<std::string>{"Change the object alpha", "Lock the object",
                                               "Rename the object"}));
}

}  // namespace
}  // namespace pw
