// The main window's commands that change the texture's settings and history: undo and redo, texture on the
// fly, the grid box, and the brush's sizes and colour.
#pragma once

void undoCommand();
void redoCommand();

void textureOnTheFlyCommand();
// The grid can be shown only over a model with texture coordinates; otherwise the box is unchecked again.
void gridCommand(bool modelHasTexCoords);
// Unchecks the grid box, for a model that has no texture coordinates or is gone.
void uncheckGrid();
void applyPenSizeCommand();
void applyEraserSizeCommand();
// Runs the colour chooser on the pen colour; true when the pen colour was changed.
bool colorsCommand();
