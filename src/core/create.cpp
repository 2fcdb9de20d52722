#include "core/create.h"

#include <algorithm>
#include <cstddef>
#include <sys/stat.h>

#include "core/scene_file.h"
#include "fileio/atomic_file.h"

namespace pw {

namespace {

constexpr const char* kImageFilter = "Png(.png)|*.png|Jpg|*.jpg";
constexpr const char* kChangeImageFilter = "Png(.png)|*.png|Jpg|*.jpg|Bmp|*.bmp";
constexpr const char* kDefaultFont = "Times New roman";
constexpr int64_t kBold = 256;

void freeShapeImages(Editor& ed) {
  for (Object& o : ed.doc.Objects)
    for (Shape& s : o.shapes) {
      freeImageIfValid(ed, s.imageId);
      s.imageId = 0;
    }
}

Object freshObject() {
  Object o;
  o.name = "Object0";
  o.alpha = 255;
  o.w = 100;
  o.h = 100;
  return o;
}

// Number of shapes that have a name.
int64_t countNamed(const Object& o) {
  return std::count_if(o.shapes.begin(), o.shapes.end(),
                       [](const Shape& s) { return !s.name.empty(); });
}

// Complex shapes are copied in from the template scene.
int addComplexShape(Editor& ed) {
  Document& doc = ed.doc;
  Object* obj = currentObject(doc, ed.sel);
  if (!obj) return 0;
  const uint8_t hadShape = obj->hasShape;
  const int64_t namedBefore = countNamed(*obj);
  if (obj->hasShape == 0) {
    ed.sel.shape = 0;
    obj->shapes[0].name.clear();
  } else {
    obj->shapes.emplace_back();
    ed.sel.shape = lastIndex(obj->shapes);
  }
  newDocument(ed, kInsertTemplate, /*quiet=*/false, /*refresh=*/false);
  obj = currentObject(doc, ed.sel);
  if (!obj) return 0;
  if (obj->shapes.empty() || countNamed(*obj) == namedBefore) {
    // The template gave nothing (missing or empty file): keep the object as it was, with its
    // placeholder when it had no shape yet.
    if (obj->shapes.empty()) obj->shapes.emplace_back();
    obj->hasShape = hadShape;
    ed.sel.shape = hadShape ? lastIndex(obj->shapes) : 0;
    ed.refreshShapeList();
    return 0;
  }
  doc.DocumentState = kDocumentHasContent;
  ed.sel.shape = lastIndex(obj->shapes);
  obj->hasShape = 1;
  return 1;
}

}  // namespace

std::string imageShapeName(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return name;
  const std::string ext = name.substr(dot);  // "." + extension
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    if (name.compare(i, ext.size(), ext) == 0) {
      i += ext.size();
    } else {
      out += name[i++];
    }
  }
  return out;
}

void newDocument(Editor& ed, NewDocumentKind kind, bool quiet, bool refresh) {
  Document& doc = ed.doc;
  if (kind == kFreshDocument) {
    freeShapeImages(ed);
    doc.Objects.assign(1, freshObject());  // no keys
    // The timeline belongs to the scene: a new one starts with the default length and rate.
    doc.MaxFrame = kDefaultMaxFrame;
    doc.Fps = kDefaultFps;
    doc.DocumentState = kDocumentFresh;
    ed.sel.fx = 0;
    ed.sel.shape = 0;
    ed.sel.object = 0;
    // The shapes it named are gone: nothing else could match them, but the history would
    // keep copying them with every step.
    ed.sel.shapes.clear();
    ed.sel.points.clear();
    // A new document is not saved anywhere yet: "Save" must ask for a name rather than overwrite
    // the previous scene with an empty one.
    doc.DocumentFileName.clear();
    ed.modified = false;
    ed.setTitle(kAppTitle);
  }
  ed.sel.point = 0;
  if (!quiet && kind == kInsertTemplate) {
    if (doc.TemplateFileName.empty()) doc.TemplateFileName = "1-defaut.txt";
    // Empty slots left by this insertion are removed afterwards: the caller's placeholder (the
    // last shape, when it has no name) and whatever the template adds. Earlier shapes are the
    // user's and stay, whatever their names.
    size_t firstNew = 0;
    if (const Object* obj = currentObject(doc, ed.sel)) {
      firstNew = obj->shapes.size();
      if (firstNew > 0 && obj->shapes.back().name.empty()) --firstNew;
    }
    loadScene(ed, kLoadTemplate, ed.rootPath("data/shapes/") + doc.TemplateFileName, refresh);
    if (Object* obj = currentObject(doc, ed.sel)) {
      auto& shapes = obj->shapes;
      firstNew = std::min(firstNew, shapes.size());
      shapes.erase(std::remove_if(shapes.begin() + static_cast<std::ptrdiff_t>(firstNew),
                                  shapes.end(), [](const Shape& s) { return s.name.empty(); }),
                   shapes.end());
      // The inserted shape is the new current one and gets the default effect (never an
      // existing shape's first effect).
      ed.sel.shape = lastIndex(shapes);
    }
    ed.refreshShapeList();
    addFx(ed, 0);
    if (refresh) ed.redrawCanvas();
  }
  ed.refreshLayerList();
  ed.refreshShapeList();
}

bool appendObject(Document& doc, Selection& sel, int64_t offset) {
  const int64_t i = lastIndex(doc.Objects) + offset;
  if (i < 0) return false;
  growTo(doc.Objects, i + 1);
  Object& o = doc.Objects[static_cast<size_t>(i)];
  o.alpha = 255;
  o.depth = toU8(i);
  o.w = 100;
  o.h = 100;
  o.name = "Object" + std::to_string(i);
  sel.object = i;
  std::stable_sort(doc.Objects.begin(), doc.Objects.end(),
                   [](const Object& a, const Object& b) { return a.depth < b.depth; });
  return true;
}

void addObject(Editor& ed, int64_t offset) {
  if (appendObject(ed.doc, ed.sel, offset)) refreshViews(ed);
}

void refreshViews(Editor& ed) {
  ed.refreshLayerList();
  ed.refreshShapeList();
  ed.refreshFxList();
  ed.refreshProperties();
  ed.redrawCanvas();
}

int addShape(Editor& ed, int64_t x, int64_t y) {
  Document& doc = ed.doc;
  const int tool = ed.tools.tool;
  ed.sel.point = 0;
  if (tool == kToolComplex) return addComplexShape(ed);

  std::string prefix;
  int64_t image = 0;
  std::string imagePath;
  switch (tool) {
    case kToolBox: prefix = "Box_"; break;
    case kToolCircle: prefix = "Circle_"; break;
    case kToolLine: prefix = "Line_"; break;
    case kToolCurve: prefix = "Curve_"; break;
    case kToolText: prefix = "Text_"; break;
    case kToolImage: {
      imagePath = ed.prompt.openFile("Image", "", kImageFilter);
      if (imagePath.empty()) return 0;
      image = ed.resources.loadImage(imagePath);
      if (image == 0) {
        ed.prompt.message("Error", "Unable to load the image " + imagePath);
        return 0;
      }
      prefix = imageShapeName(imagePath);
      break;
    }
    default:  // the round-box tool and the editing tools create nothing
      return 0;
  }
  Object* obj = currentObject(doc, ed.sel);
  if (!obj) {
    freeImageIfValid(ed, image);
    return 0;
  }
  if (obj->hasShape == 0) {
    obj->hasShape = 1;
  } else {
    obj->shapes.emplace_back();
  }
  const int64_t n = lastIndex(obj->shapes);
  Shape& s = obj->shapes[static_cast<size_t>(n)];
  s.name.clear();
  doc.DocumentState = kDocumentHasContent;
  ed.sel.shape = n;

  applyShapeDefaults(s, static_cast<uint8_t>(tool - 8));
  s.points.resize(1);
  ed.sel.pointsTruncated(s.id, 1);
  if (tool == kToolLine) {
    s.points.resize(2);
    s.points[1].x = x;
    s.points[1].y = y;
  } else if (tool == kToolCurve) {
    s.points.resize(4);
    for (int64_t p = 0; p < 4; ++p) {
      s.points[static_cast<size_t>(p)].x = x + 5 * p - 10;
      s.points[static_cast<size_t>(p)].y = y + 5 * p - 10;
    }
  }
  s.startX = toI16(x);
  s.startY = toI16(y);
  s.depth = n;
  s.name = prefix + std::to_string(n);
  s.points[0].x = x;
  s.points[0].y = y;

  const bool placedAtMouse = tool == kToolText || tool == kToolBox || tool == kToolCircle ||
                             tool == kToolImage;
  if (tool == kToolText) {
    s.w = 10;
    s.text = "Text_" + std::to_string(n);
    s.fontName = kDefaultFont;
    s.fontStyle = kBold;
    s.fontId = ed.resources.loadFont(kDefaultFont, 20, kBold);
  } else if (tool == kToolImage) {
    int iw = 0, ih = 0;
    ed.resources.imageSize(image, iw, ih);
    s.imageId = image;
    s.w = toI16(iw);
    s.imageW = toI16(iw);
    s.h = toI16(ih);
    s.imageH = toI16(ih);
    s.imageFile = imagePath;
  }
  if (placedAtMouse) {
    s.x = toI16(x);
    s.y = toI16(y);
    s.points[0].x = 0;
    s.points[0].y = 0;
  }
  if (s.fx.empty()) s.fx.resize(1);
  addFx(ed, 0);
  ed.refreshLayerList();
  ed.refreshShapeList();
  return 1;
}

void applyShapeDefaults(Shape& s, uint8_t type) {
  s.type = type;
  s.color = kShapeColor;
  s.alpha = 255;
  s.lineW = 10;
  s.lineH = 5;
  s.lineDist = 5;
  s.w = 5;
  s.h = 5;
  if (type == kLine || type == kCurve) s.style = 1;
}

void applyFxDefaults(ShapeFx& f, int64_t n) {
  f.name = "FX_" + std::to_string(n);
  f.alpha = 255;
  f.color = kFxColor;
  f.width = 10;
  f.height = 5;
  f.dist = 5;
  f.scale = 100;
}

void addFx(Editor& ed, int64_t n) {
  Shape* s = currentShape(ed.doc, ed.sel);
  if (!s || n < 0 || n > lastIndex(s->fx)) return;
  applyFxDefaults(s->fx[static_cast<size_t>(n)], n);
  ed.refreshFxList();
  ed.refreshProperties();
}

void changeShapeImage(Editor& ed) {
  if (!currentShape(ed.doc, ed.sel)) return;
  const std::string path = ed.prompt.openFile("Change Image", "", kChangeImageFilter);
  if (path.empty()) return;
  const int64_t image = ed.resources.loadImage(path);
  if (image == 0) {
    ed.prompt.message("Error", "Unable to load the image " + path);
    return;
  }
  Shape* s = currentShape(ed.doc, ed.sel);
  freeImageIfValid(ed, s->imageId);
  s->name = imageShapeName(path);
  int iw = 0, ih = 0;
  ed.resources.imageSize(image, iw, ih);
  s->imageId = image;
  s->w = toI16(iw);
  s->imageW = toI16(iw);
  s->h = toI16(ih);
  s->imageH = toI16(ih);
  s->imageFile = path;
  ed.redrawCanvas();
}

int64_t loadImageFile(Editor& ed, int64_t /*id*/, const std::string& path) {
  // Image numbers are always handed out by the store; a requested number is not honoured.
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    const int64_t image = ed.resources.loadImage(path);
    if (image == 0) ed.prompt.message("Error", "Unable to load the image file " + path);
    return image;
  }
  ed.prompt.message("Error", missingImageText(path));
  return 0;
}

std::string missingImageText(const std::string& path) {
  if (path.empty()) return "The Image file doesn't exists: the image shape names no file";
  return "The Image file doesn't exists :  " + path;
}

void freeImageIfValid(Editor& ed, int64_t imageId) {
  if (imageId != 0 && ed.resources.isImage(imageId)) ed.resources.freeImage(imageId);
}

int reloadReleasedResources(Editor& ed) {
  int n = 0;
  for (Object& o : ed.doc.Objects) {
    for (Shape& s : o.shapes) {
      if (s.fontId != 0 && !ed.resources.isFont(s.fontId)) {
        if (const int64_t f = ed.resources.loadFont(s.fontName, 20, s.fontStyle)) {
          s.fontId = f;
          ++n;
        }
      }
      if (s.imageId != 0 && !s.imageFile.empty() && !ed.resources.isImage(s.imageId) &&
          isRegularFile(s.imageFile)) {
        if (const int64_t i = ed.resources.loadImage(s.imageFile)) {
          s.imageId = i;
          ++n;
        }
      }
    }
  }
  return n;
}

}  // namespace pw
