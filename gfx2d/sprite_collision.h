// Pixel-exact collision of placed sprites and animation cells, on alpha masks read back from
// the textures once per sprite and cached.
#pragma once

namespace vantrel {

// 1 when an opaque pixel of sprite a at (xa, ya) covers the same screen pixel as an opaque
// pixel of sprite b at (xb, yb), else 0.
int spriteCollision(int a, int xa, int ya, int b, int xb, int yb);
// The same for animation cells; a sprite without a frame size takes part with its whole image.
int animCollision(int a, int frameA, int xa, int ya, int b, int frameB, int xb, int yb);

}  // namespace vantrel
