/* The names of the two sound tracks as the Settings dialog shows them next to
   its radio buttons. Plain defines, for .rc files and C++ alike. */
#ifndef PELLORIN_TRACK_TITLES_H
#define PELLORIN_TRACK_TITLES_H

#define TRACK0_TITLE "Mountain King (Peer Gynt)"
#define TRACK1_TITLE "Rossini - William Tell"

#endif
