#include "assets/skin_texture.h"

#include <algorithm>
#include <cmath>

namespace {

struct Colour {
    double r;
    double g;
    double b;
};

const Colour kNavy{34, 58, 120};
const Colour kTile{238, 224, 188};
const Colour kRed{200, 56, 44};
const Colour kGold{240, 182, 60};

constexpr double kHalf = kSkinSize / 2.0;
constexpr double kFrameWidth = 12.0;  // the navy outline round every face
constexpr double kBevelEdge = 30.0;   // the bevel runs from the frame to here
constexpr double kRingInner = 60.0;
constexpr double kRingOuter = 78.0;
constexpr double kStarReach = 58.0;      // tip distance of the upright star
constexpr double kDiagonalReach = 42.0;  // tip distance of the diagonal star
constexpr double kStarWaist = 0.32;      // half-width of a star arm at its root, per reach
constexpr double kHubRadius = 11.0;
constexpr double kStudRadius = 10.0;
constexpr double kStudInset = 46.0;    // stud centres, measured from the face's edge
constexpr double kShadowOffset = 4.0;  // the emblem's shadow falls down and to the right
constexpr int kSubsamples = 4;         // per axis, for smooth edges

Colour scaled(Colour c, double factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

// A four-pointed compass star with straight sides: two crossed rhombi, tips on the axes at
// distance reach, each rhombus kStarWaist wide for every unit of reach.
bool insideStar(double u, double v, double reach) {
    const double waist = reach * kStarWaist;
    const double au = std::fabs(u);
    const double av = std::fabs(v);
    return au * waist + av * reach <= reach * waist || au * reach + av * waist <= reach * waist;
}

bool insideDiagonalStar(double u, double v, double reach) {
    const double s = std::sqrt(0.5);
    return insideStar((u + v) * s, (u - v) * s, reach);
}

bool insideEmblem(double u, double v) {
    const double r = std::sqrt(u * u + v * v);
    return (r >= kRingInner && r <= kRingOuter) || insideStar(u, v, kStarReach) ||
           insideDiagonalStar(u, v, kDiagonalReach);
}

bool insideStud(double x, double y) {
    const double near = kStudInset;
    const double far = kSkinSize - kStudInset;
    const double cx = x < kHalf ? near : far;
    const double cy = y < kHalf ? near : far;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= kStudRadius * kStudRadius;
}

// The ring looks raised: its outer half is lit on the upper left, its inner half on the
// lower right, as for a light from the top-left corner.
Colour ringColour(double u, double v, double r) {
    const double across = (r - 0.5 * (kRingInner + kRingOuter)) / (0.5 * (kRingOuter - kRingInner));
    const double towardsLight = -(u + v) / (r * std::sqrt(2.0));
    return scaled(kRed, 1.0 + 0.22 * across * towardsLight);
}

// Colour at a point of the face, x rightwards and y downwards, both in pixels.
Colour sampleSkin(double x, double y) {
    const double left = x;
    const double right = kSkinSize - x;
    const double top = y;
    const double bottom = kSkinSize - y;
    const double edge = std::min(std::min(left, right), std::min(top, bottom));
    if (edge < kFrameWidth) {
        return kNavy;
    }
    if (edge < kBevelEdge) {
        // Mitred bevel: the facet is that of the nearest side, lit from the top left.
        if (edge == top) {
            return scaled(kTile, 1.07);
        }
        if (edge == left) {
            return scaled(kTile, 1.02);
        }
        if (edge == right) {
            return scaled(kTile, 0.80);
        }
        return scaled(kTile, 0.70);
    }

    const double u = x - kHalf;
    const double v = y - kHalf;
    const double r = std::sqrt(u * u + v * v);
    if (r <= kHubRadius) {
        return scaled(kTile, 1.06);
    }
    if (insideDiagonalStar(u, v, kDiagonalReach)) {
        return kGold;
    }
    if (insideStar(u, v, kStarReach)) {
        return kNavy;
    }
    if (r >= kRingInner && r <= kRingOuter) {
        return ringColour(u, v, r);
    }
    if (insideStud(x, y)) {
        return kRed;
    }

    // The flat of the tile: a little brighter towards the middle, shaded where the emblem
    // or a stud casts its shadow.
    const double maxR = kHalf - kBevelEdge;
    const double glow = 1.0 + 0.05 * std::max(0.0, 1.0 - (r * r) / (2.0 * maxR * maxR));
    Colour c = scaled(kTile, std::min(glow, 1.07));
    if (insideEmblem(u - kShadowOffset, v - kShadowOffset) ||
        insideStud(x - kShadowOffset * 0.5, y - kShadowOffset * 0.5)) {
        c = scaled(c, 0.80);
    }
    return c;
}

uint8_t toByte(double value) {
    const double clamped = std::min(255.0, std::max(0.0, value));
    return static_cast<uint8_t>(clamped + 0.5);
}

}  // namespace

RgbImage makeSkinImage() {
    RgbImage image;
    image.width = kSkinSize;
    image.height = kSkinSize;
    image.rgb.resize(static_cast<size_t>(kSkinSize) * kSkinSize * 3);
    const double step = 1.0 / kSubsamples;
    const double weight = 1.0 / (kSubsamples * kSubsamples);
    size_t at = 0;
    for (int py = 0; py < kSkinSize; ++py) {
        for (int px = 0; px < kSkinSize; ++px) {
            Colour sum{0, 0, 0};
            for (int sy = 0; sy < kSubsamples; ++sy) {
                for (int sx = 0; sx < kSubsamples; ++sx) {
                    const Colour c = sampleSkin(px + (sx + 0.5) * step, py + (sy + 0.5) * step);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            image.rgb[at++] = toByte(sum.r * weight);
            image.rgb[at++] = toByte(sum.g * weight);
            image.rgb[at++] = toByte(sum.b * weight);
        }
    }
    return image;
}

ByteBuffer encodeBitmap24(const RgbImage& image) {
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) / 4 * 4;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    const uint32_t headerBytes = 14 + 40;

    ByteBuffer out;
    out.reserve(headerBytes + pixelBytes);
    // File header.
    out.push_back('B');
    out.push_back('M');
    appendU32Le(out, headerBytes + pixelBytes);
    appendU16Le(out, 0);
    appendU16Le(out, 0);
    appendU32Le(out, headerBytes);
    // Info header (BITMAPINFOHEADER).
    appendU32Le(out, 40);
    appendU32Le(out, static_cast<uint32_t>(image.width));
    appendU32Le(out, static_cast<uint32_t>(image.height));  // positive: bottom row first
    appendU16Le(out, 1);                                    // planes
    appendU16Le(out, 24);                                   // bits per pixel
    appendU32Le(out, 0);                                    // BI_RGB
    appendU32Le(out, pixelBytes);
    appendU32Le(out, 2835);  // 72 dots per inch, in dots per metre
    appendU32Le(out, 2835);
    appendU32Le(out, 0);  // colours used
    appendU32Le(out, 0);  // important colours

    for (int row = image.height - 1; row >= 0; --row) {
        const uint8_t* src = image.rgb.data() + static_cast<size_t>(row) * image.width * 3;
        for (int col = 0; col < image.width; ++col, src += 3) {
            out.push_back(src[2]);
            out.push_back(src[1]);
            out.push_back(src[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}
