// The package artwork, drawn by code so that the build needs no binary assets:
// the wizard's background picture and its ink-drop animation. Plain bytes in,
// plain bytes out; the files are written by mkart.
#pragma once

#include <cstdint>
#include <vector>

namespace art {

// 24-bit bottom-up BMP of the page background.
std::vector<uint8_t> makeBackgroundBmp(int width, int height);

// Uncompressed 8-bit AVI (one video stream, no sound, with an index): the
// kind of file the Win32 animation control plays without a codec.
std::vector<uint8_t> makeDropAvi(int width, int height, int frames, int framesPerSecond);

} // namespace art
