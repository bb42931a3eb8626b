// Painting on the model in the viewport, while "Paint on model" is checked.
#pragma once

// Runs before the visible frame is drawn, with the camera's matrix in place: polls the buttons, finds the
// texels under the cursor and paints them, so the frame shows the paint.
void paintOnModelFrame();

// A painting button is held over the model: the spin waits meanwhile.
bool paintingOnModel();
