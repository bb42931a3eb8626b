// "Export UV Layout...": the mapping grid as a PNG picture at the texture's size.
#pragma once

void exportUvLayoutCommand();
// The button is enabled while the model has texture triangles to draw; called as the frame loop comes round.
void followModelForExport();
