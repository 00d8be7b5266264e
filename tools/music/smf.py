"""A small Standard MIDI File writer: format 1, one chunk per track.

A part is a plain dict:
  name, channel, program (None for the percussion channel), volume, pan,
  reverb, notes: list of (tick, length, key, velocity).
The conductor track carries the title, text, time and key signatures and the
tempo changes. Every track ends at the same tick, which the caller puts on a
bar line; a note is written as a note-on and a note-on of velocity 0, so a
track is mostly running status.
"""

import struct

META_TEXT = 0x01
META_TRACK_NAME = 0x03
META_END_OF_TRACK = 0x2F
META_TEMPO = 0x51
META_TIME_SIGNATURE = 0x58
META_KEY_SIGNATURE = 0x59

# Order of events that share a tick: set-up first, then note endings, then
# note starts, so a repeated key is released before it sounds again.
ORDER_META = 0
ORDER_CONTROL = 1
ORDER_NOTE_OFF = 2
ORDER_NOTE_ON = 3


def vlq(value):
    """Variable-length quantity: 7 bits a byte, high bit set on all but the last."""
    if value < 0:
        raise ValueError("negative delta time")
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(tick, kind, data):
    return (tick, ORDER_META, 0xFF, bytes([kind]) + vlq(len(data)) + bytes(data))


def channel_event(tick, order, status, *data):
    return (tick, order, status, bytes(data))


def encode_track(events, end_tick):
    """Sorts the events, applies running status and appends End of Track."""
    events = sorted(events, key=lambda e: (e[0], e[1]))
    if events and events[-1][0] > end_tick:
        raise ValueError("event after the end of the track")
    out = bytearray()
    now = 0
    running = None
    for tick, _order, status, data in events:
        out += vlq(tick - now)
        now = tick
        if status == 0xFF:
            out.append(0xFF)
            running = None  # meta events cancel running status
        elif status != running:
            out.append(status)
            running = status
        out += data
    out += vlq(end_tick - now) + bytes([0xFF, META_END_OF_TRACK, 0x00])
    return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def conductor_events(title, text, numerator, denominator_power, sharps, minor, tempos):
    """tempos: list of (tick, beats per minute)."""
    events = [
        meta(0, META_TRACK_NAME, title.encode("ascii")),
        meta(0, META_TEXT, text.encode("ascii")),
        meta(0, META_TIME_SIGNATURE, [numerator, denominator_power, 24, 8]),
        meta(0, META_KEY_SIGNATURE, [sharps & 0xFF, 1 if minor else 0]),
    ]
    for tick, bpm in tempos:
        micros = int(round(60000000 / bpm))
        events.append(meta(tick, META_TEMPO, micros.to_bytes(3, "big")))
    return events


def part_events(part):
    ch = part["channel"]
    events = [meta(0, META_TRACK_NAME, part["name"].encode("ascii"))]
    if part.get("program") is not None:
        events.append(channel_event(0, ORDER_CONTROL, 0xC0 | ch, part["program"]))
    events.append(channel_event(0, ORDER_CONTROL, 0xB0 | ch, 7, part.get("volume", 100)))
    events.append(channel_event(0, ORDER_CONTROL, 0xB0 | ch, 10, part.get("pan", 64)))
    events.append(channel_event(0, ORDER_CONTROL, 0xB0 | ch, 91, part.get("reverb", 40)))
    sounding = {}
    for tick, length, key, velocity in sorted(part["notes"]):
        if length <= 0 or not 0 <= key <= 127 or not 1 <= velocity <= 127:
            raise ValueError("bad note in %s: %r" % (part["name"], (tick, length, key, velocity)))
        if sounding.get(key, -1) > tick:
            raise ValueError("overlapping key %d at tick %d in %s" % (key, tick, part["name"]))
        sounding[key] = tick + length
        events.append(channel_event(tick, ORDER_NOTE_ON, 0x90 | ch, key, velocity))
        events.append(channel_event(tick + length, ORDER_NOTE_OFF, 0x90 | ch, key, 0))
    return events


def write_file(path, division, conductor, parts, end_tick):
    chunks = [encode_track(conductor, end_tick)]
    chunks += [encode_track(part_events(p), end_tick) for p in parts]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), division)
    data = header + b"".join(chunks)
    with open(path, "wb") as f:
        f.write(data)
    return len(data)
