#pragma once

// Sets the rendering state that never changes afterwards: white clear colour, flat shading.
// Needs the window's OpenGL context, so it runs after the window is created.
void initScene();
