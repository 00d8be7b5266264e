// What the music player has done, for tests: hosts without a MIDI synthesiser
// (Wine among them) play nothing, so the DirectMusic calls themselves are what
// can be observed there.
#ifndef PELLORIN_MUSIC_PROBE_H
#define PELLORIN_MUSIC_PROBE_H

#include <windows.h>

struct MusicProbe {
    int ready;             // InitMusic succeeded and ReleaseMusic has not run
    int comHeld;           // ReleaseMusic will uninitialise COM once
    int playing;           // set by PlayMusic, cleared by StopMusic
    int currentTrack;      // the track PlayMusic last started
    int plays;             // PlaySegment calls since InitMusic
    int stops;             // Stop calls since InitMusic
    int lastPlayed;        // track of the last PlaySegment, -1 before any
    int lastStopped;       // track of the last Stop, -1 before any
    HRESULT lastPlayResult;
    HRESULT lastStopResult;
    const void *trackBytes[2];  // the MIDI file handed to the loader for each track
    DWORD trackSize[2];
};

void ReadMusicProbe(MusicProbe *out);

// 1 when the performance reports the track's segment as playing.
int MusicIsPlaying(int track);

#endif
