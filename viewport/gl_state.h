// The fixed GL state and the projection every frame starts from.
#pragma once

// Depth test, blending, lighting with one directional light, colour material, texturing, the clear colour.
void setupRenderingState();

// The viewport's GL viewport and a perspective projection that follows its aspect ratio; leaves the modelview
// matrix current and the identity.
void setupProjection();

// Both of the above, as the viewport sets them up at its creation.
void restoreRenderingState();
