#pragma once

// Reshape handler: fits the viewport to the window and loads the fixed perspective
// projection and the camera, leaving the modelview matrix current.
void reshapeView(int width, int height);
