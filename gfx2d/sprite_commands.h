// The program's sprite commands: loading images into sprites, sprites from and images to int
// arrays, frame sizes, the colour key and size queries.
#pragma once

#include "core/array_value.h"
#include "core/string_value.h"

namespace vantrel {

// Clears the error and deletes sprite n; then, unless the name is empty, loads the file
// (disk or archive) into it. Not found or not loadable: error 3. A number outside 0-65503:
// error 9 and nothing else happens.
void loadSprite(const StringValue& name, int n);
// loadSprite with the image turned into a normal map.
void loadSpriteNormalMap(const StringValue& name, int n);
// loadSprite, then the frame size when the sprite got an image.
void loadAnimatedSprite(const StringValue& name, int n, int frameWidth, int frameHeight);
void setFrameSize(int n, int frameWidth, int frameHeight);

// One element per pixel, red in the lowest byte, then green, blue, alpha; rows from the top.
// 1 on success; 0 (sprite untouched) when the array does not hold exactly width x height
// elements.
int spriteFromArray(const IntArray& pixels, int n, int width, int height);
// Decodes a file as sprite loading does and returns its pixels in the same layout. Not found:
// error 3 and false; undecodable: false.
bool loadImageToArray(const StringValue& name, int& width, int& height, IntArray& pixels);

// Sets the sprite key and the font key to colour (-1: no key).
void setTransparentColour(int colour);
void getSpriteSize(int n, int& width, int& height);
void getSpriteSize(int n, double& width, double& height);
// The highest free program sprite number, or -1.
int freeSpriteNumber();

}  // namespace vantrel
