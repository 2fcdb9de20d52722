// Scene files: loading a file into the document (the lines are read by scene_read.cpp), and
// helpers shared by the reader and the writer (scene_write.cpp).
#include "core/scene_file.h"

#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/create.h"
#include "fileio/atomic_file.h"

namespace pw {

namespace {

std::unordered_set<int64_t> imagesOf(const Document& doc) {
  std::unordered_set<int64_t> ids;
  for (const Object& o : doc.Objects)
    for (const Shape& s : o.shapes)
      if (s.imageId != 0) ids.insert(s.imageId);
  return ids;
}

// Frees the images of `doc` that `keep` does not hold.
void freeImagesNotIn(Editor& ed, const Document& doc, const std::unordered_set<int64_t>& keep) {
  for (const int64_t id : imagesOf(doc))
    if (keep.count(id) == 0) freeImageIfValid(ed, id);
}

// The document without its objects: what a replacing read starts from.
Document documentShell(Document& doc) {
  std::vector<Object> objects;
  objects.swap(doc.Objects);
  struct PutBack {
    Document& d;
    std::vector<Object>& o;
    ~PutBack() { d.Objects.swap(o); }
  } putBack{doc, objects};
  return doc;
}

// The folder part of a path ("a/b" of "a/b/c.txt"); empty for a bare file name.
std::string folderPart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Reads `text` into a copy of the editor's document and puts the copy in place once the read is
// complete. False, with the document untouched, when memory ran out.
bool readStaged(Editor& ed, LoadMode mode, std::string_view text,
                const std::string& imageFolder) {
  Editor scratch(ed.prompt, ed.resources);
  bool filled = false;
  try {
    scratch.root = ed.root;
    scratch.options = ed.options;
    scratch.windowTitle = ed.windowTitle;
    scratch.doc = mode == kLoadReplace ? documentShell(ed.doc) : ed.doc;
    scratch.sel = ed.sel;
    filled = true;
    readSceneText(scratch, mode, text, imageFolder);
    const std::unordered_set<int64_t> kept = imagesOf(scratch.doc);
    freeImagesNotIn(ed, ed.doc, kept);
  } catch (const std::bad_alloc&) {
    if (filled) {
      try {
        freeImagesNotIn(ed, scratch.doc, imagesOf(ed.doc));
      } catch (const std::bad_alloc&) {
        // The images of the failed read stay loaded until the store goes.
      }
    }
    return false;
  }
  ed.doc = std::move(scratch.doc);
  ed.sel = scratch.sel;
  return true;
}

}  // namespace

bool loadScene(Editor& ed, LoadMode mode, const std::string& fileName, bool refresh) {
  Document& doc = ed.doc;
  std::string path = fileName;
  if (path.empty()) path = ed.prompt.openFile("Save", ed.rootPath("examples/"), "txt|*.txt");
  bool read = false;
  if (!path.empty()) {
    std::string text, why;
    if (!readFileWhole(path, text, &why)) {
      ed.prompt.message("Error", "Unable to open the file " + path + ": " + why);
    } else if (!looksLikeScene(text)) {
      ed.prompt.message("Error", "Unable to open the file " + path + ": not a Penwick scene");
    } else if (!readStaged(ed, mode, text, folderPart(path))) {
      ed.prompt.message("Error", "Unable to open the file " + path + ": not enough memory");
    } else {
      // Merges and templates leave the document's own file and title alone.
      if (mode == kLoadReplace) {
        doc.DocumentFileName = path;
        ed.modified = false;
        ed.setTitle(std::string(kAppTitle) + " - " + fileNamePart(path));
      }
      doc.DocumentState = kDocumentHasContent;
      ed.refreshProperties();
      ed.refreshLayerList();
      ed.refreshFxList();
      read = true;
    }
  }
  ed.refreshShapeList();
  ed.sel.shape = 0;
  if (read && refresh) ed.redrawCanvas();
  return read;
}


std::string fileNamePart(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace pw
