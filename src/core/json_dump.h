// The document as one JSON object, for scripts and tests that want to read a scene without
// parsing the scene format: every field of every object, shape, point and effect by its name.
#pragma once

#include <string>
#include <string_view>

#include "core/model.h"
#include "core/selection.h"

namespace pw {

// {"DocumentState":…, "CurrentObject":…, "CurrentShape":…, "MaxFrame":…, "Fps":…,
// "objects":[…]} on one line; each object lists its keys under "keys". The current object and
// shape are the selection's, and so is each shape's "selected" (written where the shape's
// identity stands in its record). Runtime handles (fontId, imageId) are left out; points carry
// only x and y: the fields flagged kDumped in core/fields.h, in the order the records declare
// them.
std::string documentJson(const Document& doc, const Selection& sel);

// s as a JSON string literal with its quotes. Quotes, backslashes and control characters are
// escaped; bytes that are not valid UTF-8 become U+FFFD, so the result is always valid JSON.
std::string jsonString(std::string_view s);

// A double as a JSON number; NaN and infinities, which JSON cannot express, become null.
std::string jsonNumber(double v);

}  // namespace pw
