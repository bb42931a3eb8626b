// Ctrl+C and Ctrl+V: the texture to the clipboard as a picture, and a picture from it into the texture.
#pragma once

// Puts the texture on the clipboard as CF_DIB (other programs and the system make the other forms from it).
void copyTextureToClipboard();
// Lays the clipboard's picture (CF_DIBV5 with its alpha when there is one, else CF_DIB) over the texture at its
// top-left corner, cropped to the texture, as one undo step. A clipboard without a picture changes nothing.
void pasteFromClipboard();
