// The field tables against the code that walks them: every field of every record reaches the
// history, the JSON dump and the scene file as its flags say.
#include "core/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "core/create.h"
#include "core/history.h"
#include "core/json_dump.h"
#include "core/keyframes.h"
#include "core/scene_file.h"
#include "support/fakes.h"
#include "support/field_cases.h"

namespace pw {
namespace {

using test::fieldLabel;
using test::firstOf;
using test::forEachRecordField;
using test::withFieldChanged;

// Converts to anything: an aggregate takes as many of these in braces as it has members.
struct AnyMember {
  template <class T>
  operator T() const;
};

template <class R, class... A>
constexpr size_t memberCount() {
  if constexpr (requires { R{A{}..., AnyMember{}}; }) {
    return memberCount<R, A..., AnyMember>();
  } else {
    return sizeof...(A);
  }
}

// A member left out of its record's table breaks the build here.
template <class R>
constexpr bool tableListsEveryMember() {
  return memberCount<R>() == std::tuple_size_v<std::remove_cvref_t<decltype(FieldsOf<R>::table)>>;
}

static_assert(tableListsEveryMember<Object>());
static_assert(tableListsEveryMember<ObjectKey>());
static_assert(tableListsEveryMember<Shape>());
static_assert(tableListsEveryMember<ShapeFx>());
static_assert(tableListsEveryMember<ShapePoint>());

const std::string kPhoto = "/pics/photo.png";

// A scene made by the creation tools: one object with a key and shape 0 of `tool`'s type.
Document createdScene(int tool) {
  test::TestEditor t;
  t.res.addImageFile(kPhoto, 8, 6);
  t.prompt.answerFile(kPhoto);
  newDocument(t.ed, kFreshDocument, /*quiet=*/true, /*refresh=*/false);
  t.ed.tools.tool = tool;
  EXPECT_EQ(addShape(t.ed, 30, 40), 1);
  setKey(t.ed.doc.Objects.at(0), 5, kKeyLinear);
  return t.ed.doc;
}

// Field d of the first record of its type in a and b.
template <class D>
bool sameField(const D& d, Document& a, Document& b) {
  using R = test::RecordOf<D>;
  return d.of(firstOf<R>(a)) == d.of(firstOf<R>(b));
}

TEST(FieldTables, EveryFieldReachesTheHistoryAndTheDumpAsFlagged) {
  const Document base = createdScene(kToolBox);
  const std::string json = documentJson(base, Selection{});
  forEachRecordField([&](const auto& d) {
    using R = test::RecordOf<decltype(d)>;
    SCOPED_TRACE(fieldLabel(d));
    Document changed = withFieldChanged(base, d);
    // An object's own fields (its keys among them) are all but its shapes.
    const bool ownField = (std::is_same_v<R, Object> || std::is_same_v<R, ObjectKey>) &&
                          !std::is_same_v<FieldType<decltype(d)>, std::vector<Shape>>;
    EXPECT_FALSE(sameObject(base.Objects[0], changed.Objects[0]));
    EXPECT_EQ(sameObject(base.Objects[0], changed.Objects[0], false), !ownField);
    EXPECT_EQ(documentJson(changed, Selection{}) != json, d.has(kDumped));

    // The step recorded under the narrowest scope that holds the change undoes and redoes it.
    History h;
    Selection sel;
    h.reset(base, sel);
    h.record(changed, sel, "change",
             ownField ? ChangeScope::header(0) : ChangeScope::shapesOf(0, {0}));
    Document doc = changed;
    ASSERT_TRUE(h.undo(doc, sel));
    EXPECT_TRUE(doc.Objects == base.Objects);
    ASSERT_TRUE(h.redo(doc, sel));
    EXPECT_TRUE(doc.Objects == changed.Objects);
    EXPECT_TRUE(h.matches(doc, sel));
  });
}

TEST(FieldTables, SavedFieldsAndOnlyThoseSurviveTheSceneFile) {
  // The typed part of a shape's line holds a text's or an image's own fields.
  std::vector<Document> bases;
  for (const int tool : {kToolBox, kToolText, kToolImage}) bases.push_back(createdScene(tool));
  forEachRecordField([&](const auto& d) {
    SCOPED_TRACE(fieldLabel(d));
    bool written = false, survived = false;
    for (const Document& base : bases) {
      Document changed = withFieldChanged(base, d);
      const std::string text = sceneText(changed);
      if (text == sceneText(base)) continue;
      written = true;
      test::TestEditor r;
      r.res.addImageFile(kPhoto, 8, 6);
      readSceneText(r.ed, kLoadReplace, text);
      using T = FieldType<decltype(d)>;
      if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T> ||
                    std::is_same_v<T, std::string>) {
        survived = survived || sameField(d, changed, r.ed.doc);
      } else {
        // An array keeps its length; its elements' fields are rows of their own.
        using R = test::RecordOf<decltype(d)>;
        survived = survived ||
                   d.of(firstOf<R>(changed)).size() == d.of(firstOf<R>(r.ed.doc)).size();
      }
    }
    EXPECT_EQ(written, d.has(kSaved));
    EXPECT_EQ(survived, d.has(kSaved));
  });
}

}  // namespace
}  // namespace pw
