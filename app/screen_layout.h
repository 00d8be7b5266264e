// Where each part of the frame lies in the client area, in pixels. The rules
// core knows only board columns and rows; this table places them on screen.
// The end-to-end harness reads the table from this file, so each entry stays
// "Name = number," on a line of its own.
#ifndef PELLORIN_SCREEN_LAYOUT_H
#define PELLORIN_SCREEN_LAYOUT_H

enum {
    /* item                  pixels */
    ClientWidth            = 200,
    ClientHeight           = 432,
    StatusX                = 0,
    StatusY                = 0,
    ScoreLineX             = 0,
    ScoreLineY             = 15,
    BoardOriginX           = 0,
    BoardOriginY           = 32,
    CellPixels             = 20,
    PreviewX               = 160,
    PreviewY               = 0,
    PreviewCellPixels      = 7,
};

#endif
