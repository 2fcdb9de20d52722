// "Export in purebasic": the current object's shapes as one procedure of vector-drawing commands
// that rebuilds their paths at a caller-given position and scale.
#pragma once

#include <cstdint>
#include <string>

#include "core/editor.h"
#include "core/model.h"

namespace pw {

// The name the file is written under: every ".pb" of the chosen file name is removed, then ".pb"
// is appended unless the result already ends in the extension "pb". Folders in the path are
// left alone.
std::string sourceFileName(const std::string& chosen);

// The text of the exported file for one object, CR LF line ends, no byte-order mark. `date` is
// the header's date ("dd/mm/yyyy").
std::string sourceCodeText(const Object& obj, const std::string& date);

// The local date as "dd/mm/yyyy".
std::string localDateText();

// A text as a string literal of the target language: in double quotes, a double quote or a
// control character written as `" + Chr(n) + "`.
std::string sourceStringLiteral(const std::string& text);

// The object's name as the procedure's name: an identifier of the target language, so that no
// name can break the file or add code to it. Every character other than A-Z, a-z, 0-9 and "_"
// becomes "_" (one for each UTF-8 character), a leading digit gets a "_" before it, and an empty
// name becomes "Object". A name that already is an identifier stays as it is.
std::string sourceProcedureName(const std::string& name);

// Writes the source of object `objectIndex` to `path` (the name as given, no rule applied).
// False (with `err`) when the object does not exist or the file cannot be written.
bool writeSourceCode(const Document& doc, int64_t objectIndex, const std::string& path,
                     std::string* err = nullptr);

// The menu command: asks for a file name ("Save Purebasic Command...") and writes the current
// object. True when a file was written; a cancelled dialog writes nothing and says nothing.
bool exportSourceCode(Editor& ed);

}  // namespace pw
