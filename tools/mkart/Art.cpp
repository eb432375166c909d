#include "Art.h"

#include <cmath>
#include <cstring>
#include <string>

namespace art {
namespace {

void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}
void putFourcc(std::vector<uint8_t>& v, const char* cc) {
    v.insert(v.end(), cc, cc + 4);
}
void set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// Opens a chunk (or a LIST/RIFF with its form type) and returns the position of
// its size field, which closeChunk fills in.
size_t openChunk(std::vector<uint8_t>& v, const char* id, const char* form = nullptr) {
    putFourcc(v, id);
    size_t at = v.size();
    put32(v, 0);
    if (form)
        putFourcc(v, form);
    return at;
}
void closeChunk(std::vector<uint8_t>& v, size_t at) {
    set32(v, at, static_cast<uint32_t>(v.size() - at - 4));
    if (v.size() % 2)
        v.push_back(0); // chunks are word aligned
}

void putBitmapInfoHeader(std::vector<uint8_t>& v, int w, int h, int bits, uint32_t imageSize,
                         uint32_t colours) {
    put32(v, 40);
    put32(v, static_cast<uint32_t>(w));
    put32(v, static_cast<uint32_t>(h));
    put16(v, 1);
    put16(v, static_cast<uint32_t>(bits));
    put32(v, 0); // BI_RGB
    put32(v, imageSize);
    put32(v, 2835); // 72 dpi
    put32(v, 2835);
    put32(v, colours);
    put32(v, 0);
}

uint8_t mix(double a, double b, double t) {
    double x = a + (b - a) * t;
    return static_cast<uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x + 0.5);
}

// Palette of the animation: 0 paper, 1 nozzle grey, 2..255 ink from pale to deep.
void putPalette(std::vector<uint8_t>& v) {
    for (int i = 0; i < 256; ++i) {
        uint8_t r, g, b;
        if (i == 0) {
            r = g = b = 255;
        } else if (i == 1) {
            r = g = b = 96;
        } else {
            double t = (i - 2) / 253.0;
            r = mix(220, 10, t);
            g = mix(235, 60, t);
            b = mix(255, 160, t);
        }
        v.push_back(b);
        v.push_back(g);
        v.push_back(r);
        v.push_back(0);
    }
}

// One frame of the drop: the nozzle at the top, a drop falling, and a ripple
// spreading in the tray once it has landed. Rows are bottom-up.
void drawFrame(std::vector<uint8_t>& px, int w, int h, int stride, int frame, int frames) {
    std::fill(px.begin(), px.end(), 0);
    auto at = [&](int x, int y) -> uint8_t& { return px[(h - 1 - y) * stride + x]; };
    const int cx = w / 2;
    for (int y = 0; y < h / 8; ++y)
        for (int x = cx - w / 8; x <= cx + w / 8; ++x)
            at(x, y) = 1;
    const int tray = h - h / 6;
    for (int x = w / 8; x < w - w / 8; ++x)
        at(x, tray) = 200;
    const int fall = frames * 2 / 3;
    const double r = h / 14.0 + 1;
    if (frame < fall) {
        double cy = h / 8 + r + (tray - h / 8 - 2 * r) * (frame / double(fall - 1));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double dx = x - cx, dy = y - cy;
                // A drop: round below, pointed above.
                double d =
                    dy < 0 ? std::fabs(dx) * (1 + -dy / r) + (-dy) * 0.35 : std::hypot(dx, dy);
                if (d <= r)
                    at(x, y) = static_cast<uint8_t>(255 - 120 * (d / r));
            }
    } else {
        double spread = (frame - fall + 1) / double(frames - fall);
        double rx = w / 3.0 * spread, ry = rx / 4 + 1;
        for (int y = tray - h / 6; y < tray; ++y)
            for (int x = 0; x < w; ++x) {
                double e = std::hypot((x - cx) / rx, (y - tray) / ry);
                if (std::fabs(e - 1) < 0.25)
                    at(x, y) = static_cast<uint8_t>(255 - 180 * spread);
            }
    }
}

} // namespace

std::vector<uint8_t> makeBackgroundBmp(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> v;
    v.reserve(54 + imageSize);
    v.push_back('B');
    v.push_back('M');
    put32(v, 54 + imageSize);
    put32(v, 0);
    put32(v, 54);
    putBitmapInfoHeader(v, width, height, 24, imageSize, 0);
    for (int row = 0; row < height; ++row) {
        int y = height - 1 - row; // bottom-up
        for (int x = 0; x < width; ++x) {
            double t = y / double(height - 1);
            // A pale blue sky fading to white, with a band of ink-coloured
            // waves along the left edge where the wizard shows no text.
            double wave = 0.5 + 0.5 * std::sin(x * 0.045 + std::sin(y * 0.02) * 2.0);
            double band = x < width / 4 ? (1.0 - x / (width / 4.0)) * (0.6 + 0.4 * wave) : 0.0;
            uint8_t r = mix(mix(205, 255, t), 30, band * 0.8);
            uint8_t g = mix(mix(225, 255, t), 90, band * 0.8);
            uint8_t b = mix(mix(250, 255, t), 170, band * 0.8);
            v.push_back(b);
            v.push_back(g);
            v.push_back(r);
        }
        for (int p = width * 3; p < stride; ++p)
            v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> makeDropAvi(int width, int height, int frames, int fps) {
    const int stride = (width + 3) & ~3;
    const uint32_t frameSize = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> v;
    size_t riff = openChunk(v, "RIFF", "AVI ");

    size_t hdrl = openChunk(v, "LIST", "hdrl");
    size_t avih = openChunk(v, "avih");
    put32(v, 1000000 / fps); // microseconds per frame
    put32(v, frameSize * fps);
    put32(v, 0);
    put32(v, 0x10); // AVIF_HASINDEX
    put32(v, static_cast<uint32_t>(frames));
    put32(v, 0);
    put32(v, 1); // one stream: video only, no sound
    put32(v, frameSize);
    put32(v, static_cast<uint32_t>(width));
    put32(v, static_cast<uint32_t>(height));
    for (int i = 0; i < 4; ++i)
        put32(v, 0);
    closeChunk(v, avih);

    size_t strl = openChunk(v, "LIST", "strl");
    size_t strh = openChunk(v, "strh");
    putFourcc(v, "vids");
    putFourcc(v, "DIB ");
    put32(v, 0); // flags
    put16(v, 0); // priority
    put16(v, 0); // language
    put32(v, 0); // initial frames
    put32(v, 1); // scale
    put32(v, static_cast<uint32_t>(fps));
    put32(v, 0);
    put32(v, static_cast<uint32_t>(frames));
    put32(v, frameSize);
    put32(v, 0xFFFFFFFFu); // quality: default
    put32(v, 0);
    put16(v, 0);
    put16(v, 0);
    put16(v, static_cast<uint32_t>(width));
    put16(v, static_cast<uint32_t>(height));
    closeChunk(v, strh);
    size_t strf = openChunk(v, "strf");
    putBitmapInfoHeader(v, width, height, 8, frameSize, 256);
    putPalette(v);
    closeChunk(v, strf);
    closeChunk(v, strl);
    closeChunk(v, hdrl);

    size_t movi = openChunk(v, "LIST", "movi");
    const size_t moviType = movi + 4; // index offsets count from the "movi" form type
    std::vector<uint32_t> offsets;
    std::vector<uint8_t> px(frameSize);
    for (int f = 0; f < frames; ++f) {
        drawFrame(px, width, height, stride, f, frames);
        offsets.push_back(static_cast<uint32_t>(v.size() - moviType));
        size_t c = openChunk(v, "00db");
        v.insert(v.end(), px.begin(), px.end());
        closeChunk(v, c);
    }
    closeChunk(v, movi);

    size_t idx = openChunk(v, "idx1");
    for (uint32_t off : offsets) {
        putFourcc(v, "00db");
        put32(v, 0x10); // AVIIF_KEYFRAME
        put32(v, off);
        put32(v, frameSize);
    }
    closeChunk(v, idx);
    closeChunk(v, riff);
    return v;
}

} // namespace art
