// Background music: both MIDI tracks are loaded into DirectMusic segments at
// start-up; afterwards the player only starts, stops and switches them.
#include <windows.h>
#include <objbase.h>
#include <dmusici.h>
#include <string.h>

#include "music_player.h"
#include "music_probe.h"
#include "resources/resource_ids.h"
#include "game/shell.h"
#include "input/settings_store.h"

enum { TrackCount = 2 };

// track number : resource id
static const WORD TrackResource[TrackCount] = {
    IDR_MIDI_TRACK0,
    IDR_MIDI_TRACK1,
};

// Segments from MIDI files keep their instruments in the performance's
// synthesiser; the download needs every group of the segment.
static const DWORD AllGroups = 0xFFFFFFFF;

struct MusicPlayer {
    IDirectMusicPerformance *performance;
    IDirectMusicLoader *loader;
    IDirectMusicSegment8 *segments[TrackCount];
    int ready;          // InitMusic succeeded
    int comHeld;        // CoInitialize succeeded (S_OK or S_FALSE): one CoUninitialize is owed
    int playing;
    int currentTrack;   // the track PlayMusic last started, which StopMusic stops
};

static MusicPlayer player;
static MusicProbe calls;

static int LoadTrack(int track)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(TrackResource[track]), "MIDI");
    if (found == NULL) {
        return 0;
    }
    HGLOBAL loaded = LoadResource(module, found);
    DWORD size = SizeofResource(module, found);
    void *bytes = loaded != NULL ? LockResource(loaded) : NULL;
    if (bytes == NULL || size == 0) {
        return 0;
    }

    DMUS_OBJECTDESC desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.pbMemData = (LPBYTE)bytes;
    desc.llMemLength = size;
    calls.trackBytes[track] = bytes;
    calls.trackSize[track] = size;
    HRESULT hr = player.loader->GetObject(&desc, IID_IDirectMusicSegment8,
                                          (void **)&player.segments[track]);
    if (FAILED(hr) || player.segments[track] == NULL) {
        player.segments[track] = NULL;
        return 0;
    }
    player.segments[track]->SetParam(GUID_Download, AllGroups, 0, 0, player.performance);
    player.segments[track]->SetRepeats(DMUS_SEG_REPEAT_INFINITE);
    return 1;
}

// 1 with the object in *object; 0 with *object NULL.
static int CreateMusicObject(REFCLSID objectClass, REFIID interfaceId, void **object)
{
    HRESULT hr = CoCreateInstance(objectClass, NULL, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, interfaceId, object);
    if (FAILED(hr) || *object == NULL) {
        *object = NULL;
        return 0;
    }
    return 1;
}

int InitMusic(HWND window)
{
    memset(&calls, 0, sizeof calls);
    calls.lastPlayed = -1;
    calls.lastStopped = -1;

    HRESULT hr = CoInitialize(NULL);
    // S_FALSE (already initialised on this thread) still takes a reference;
    // a failure such as RPC_E_CHANGED_MODE takes none and must not be undone.
    player.comHeld = (hr == S_OK || hr == S_FALSE);
    if (hr != S_OK) {
        return 0;
    }
    if (!CreateMusicObject(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance, (void **)&player.performance))
        return 0;
    // Without a sound device these fail; the player goes on and plays nothing.
    player.performance->Init(NULL, NULL, window);
    player.performance->AddPort(NULL);

    if (!CreateMusicObject(CLSID_DirectMusicLoader, IID_IDirectMusicLoader, (void **)&player.loader))
        return 0;
    for (int track = 0; track < TrackCount; track++) {
        if (!LoadTrack(track)) {
            return 0;
        }
    }
    player.ready = 1;
    return 1;
}

void PlayMusic(void)
{
    if (!player.ready) {
        return;
    }
    // The store keeps the index at 0 or 1; anything else must not index past the segments.
    player.currentTrack = GetMusicIndex() == 1 ? 1 : 0;
    calls.lastPlayResult = player.performance->PlaySegment(player.segments[player.currentTrack], 0, 0, NULL);
    calls.lastPlayed = player.currentTrack;
    calls.plays++;
    player.playing = 1;
}

void StopMusic(void)
{
    if (!player.ready) {
        return;
    }
    calls.lastStopResult = player.performance->Stop(player.segments[player.currentTrack], NULL, 0, 0);
    calls.lastStopped = player.currentTrack;
    calls.stops++;
    player.playing = 0;
}

void RestartMusic(void)
{
    if (player.playing) {
        StopMusic();
        PlayMusic();
    }
}

void ReleaseMusic(void)
{
    for (int track = 0; track < TrackCount; track++) {
        if (player.segments[track] != NULL) {
            if (player.performance != NULL) {
                player.segments[track]->SetParam(GUID_Unload, AllGroups, 0, 0, player.performance);
            }
            player.segments[track]->Release();
            player.segments[track] = NULL;
        }
    }
    if (player.loader != NULL) {
        player.loader->Release();
        player.loader = NULL;
    }
    // Closing the performance down also ends whatever it plays.
    if (player.performance != NULL) {
        player.performance->CloseDown();
        player.performance->Release();
        player.performance = NULL;
    }
    if (player.comHeld) {
        CoUninitialize();
    }
    memset(&player, 0, sizeof player);
}

int MusicIsPlaying(int track)
{
    if (!player.ready || track < 0 || track >= TrackCount) {
        return 0;
    }
    return player.performance->IsPlaying(player.segments[track], NULL) == S_OK;
}

void ReadMusicProbe(MusicProbe *out)
{
    *out = calls;
    out->ready = player.ready;
    out->comHeld = player.comHeld;
    out->playing = player.playing;
    out->currentTrack = player.currentTrack;
}
