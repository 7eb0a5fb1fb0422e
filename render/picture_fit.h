// Where the show's picture goes in a frame of any shape. The show is drawn for one aspect (width
// over height, 1.4); a frame of another shape either stretches it, as the program's full screen
// does, or keeps it undistorted: inside the frame on black, or over the whole frame with two of
// its sides cut off. Pure arithmetic, written by pp-render and tested natively.
#pragma once

enum class PictureFit {
    stretch,  // the whole frame, the picture stretched to its shape
    box,      // the largest box of the show's aspect inside the frame, centred on black
    cover,    // the smallest box of the show's aspect over the frame, centred, its overhang cut
};

// A viewport in the frame's pixels: the origin may be negative and the sides larger than the
// frame's for a cover.
struct PictureViewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The viewport for a frame of width x height pixels and a picture of the given aspect. Sides are
// whole pixels, rounded to the nearest, never below 1; the box is centred to the nearest pixel.
PictureViewport fitPicture(int width, int height, double aspect, PictureFit fit);
