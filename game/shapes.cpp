#include "piece.h"

// The seven shapes, each in four rotations; rotation r + 1 is rotation r
// turned a quarter turn counter-clockwise on the screen. One grid per block of
// four lines, grid row y = 0 on top, grid column x = 0 on the left.
enum { o = 0, X = 1 };

const int32_t ShapeTable[ShapeCount * RotationCount * ShapeGridSize * ShapeGridSize] = {
    // shape 0: the square
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3

    // shape 1: the bar
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        X, X, X, X,    // y=1
        o, o, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, o,    // y=1
        o, o, X, o,    // y=2
        o, o, X, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, o, o,    // y=0
        X, X, X, X,    // y=1
        o, o, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, o,    // y=1
        o, o, X, o,    // y=2
        o, o, X, o,    // y=3

    // shape 2: a skew shape
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, o, X, X,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, X,    // y=1
        o, o, o, X,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, o, o,    // y=0
        o, o, X, X,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, X,    // y=1
        o, o, o, X,    // y=2
        o, o, o, o,    // y=3

    // shape 3: the mirrored skew shape
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, o, X, X,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, o, X,    // y=0
        o, o, X, X,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, o,    // y=1
        o, o, X, X,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, o, X,    // y=0
        o, o, X, X,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3

    // shape 4: the T shape
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, X,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, X,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, X, o,    // y=0
        o, X, X, X,    // y=1
        o, o, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, X, o,    // y=0
        o, X, X, o,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3

    // shape 5: an L shape
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, X,    // y=1
        o, X, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, o,    // y=1
        o, o, X, X,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, o, o, X,    // y=0
        o, X, X, X,    // y=1
        o, o, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, X, X, o,    // y=0
        o, o, X, o,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3

    // shape 6: the mirrored L shape
    //  0  1  2  3     rotation 0 (x across, y down)
        o, o, o, o,    // y=0
        o, X, X, X,    // y=1
        o, o, o, X,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 1 (x across, y down)
        o, o, X, X,    // y=0
        o, o, X, o,    // y=1
        o, o, X, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 2 (x across, y down)
        o, X, o, o,    // y=0
        o, X, X, X,    // y=1
        o, o, o, o,    // y=2
        o, o, o, o,    // y=3
    //  0  1  2  3     rotation 3 (x across, y down)
        o, o, X, o,    // y=0
        o, o, X, o,    // y=1
        o, X, X, o,    // y=2
        o, o, o, o    // y=3
};
