// The shape list (control 46) beside the model: its rows are the current object's shapes, its
// selected rows the selected ones. Shared by the refresh and the change handlers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/panel_context.h"

namespace pw {

// Sets the text of `row` when the list holds one row per shape. False when it does not.
bool setShapeListRow(PanelContext& ctx, int64_t row, const std::string& text);
// Per shape of the current object: 1 when its row is selected (one entry per row).
std::vector<uint8_t> selectedShapeRows(PanelContext& ctx);
// Selects the rows of the selected shapes and makes the current shape's row the current one,
// when the list holds one row per shape; raises no events.
void showShapeSelection(PanelContext& ctx);

}  // namespace pw
