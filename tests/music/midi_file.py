"""A small Standard MIDI File reader and the checks a looping sound track
must pass. Standard library only."""

import struct


def read_vlq(data, pos):
    value = 0
    for _ in range(4):
        if pos >= len(data):
            raise ValueError("track ends inside a number")
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos
    raise ValueError("variable-length quantity longer than four bytes")


def parse_track(data):
    """Events as (tick, kind, fields): ('on'|'off', channel, key), ('meta', type, bytes),
    ('channel', status, bytes), ('sysex', bytes)."""
    events = []
    pos = 0
    tick = 0
    running = None
    while pos < len(data):
        delta, pos = read_vlq(data, pos)
        tick += delta
        if pos >= len(data):
            raise ValueError("track ends after a delta time")
        status = data[pos]
        if status == 0xFF:
            kind = data[pos + 1]
            length, pos = read_vlq(data, pos + 2)
            events.append((tick, "meta", (kind, bytes(data[pos:pos + length]))))
            pos += length
            running = None
            continue
        if status in (0xF0, 0xF7):
            length, pos = read_vlq(data, pos + 1)
            events.append((tick, "sysex", bytes(data[pos:pos + length])))
            pos += length
            running = None
            continue
        if status & 0x80:
            pos += 1
            running = status
        elif running is None:
            raise ValueError("data byte without a status at offset %d" % pos)
        status = running
        size = 1 if status >> 4 in (0xC, 0xD) else 2
        fields = bytes(data[pos:pos + size])
        if len(fields) != size:
            raise ValueError("event cut off at the end of the track")
        pos += size
        channel = status & 0x0F
        if status >> 4 == 0x9 and fields[1] > 0:
            events.append((tick, "on", (channel, fields[0])))
        elif status >> 4 in (0x8, 0x9):
            events.append((tick, "off", (channel, fields[0])))
        else:
            events.append((tick, "channel", (status, fields)))
    return events


def parse(data):
    """Returns {'format', 'division', 'tracks': [events]} or raises ValueError."""
    if data[:4] != b"MThd":
        raise ValueError("no MThd header")
    length, fmt, count, division = struct.unpack(">IHHH", data[4:14])
    if length != 6:
        raise ValueError("header length %d" % length)
    pos = 8 + length
    tracks = []
    while pos < len(data):
        kind = data[pos:pos + 4]
        (size,) = struct.unpack(">I", data[pos + 4:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if len(body) != size:
            raise ValueError("chunk runs past the end of the file")
        if kind == b"MTrk":
            tracks.append(parse_track(body))
        pos += 8 + size
    if len(tracks) != count:
        raise ValueError("header names %d tracks, file holds %d" % (count, len(tracks)))
    return {"format": fmt, "division": division, "tracks": tracks}


def meta_events(song, kind):
    return sorted((t, f[1]) for track in song["tracks"] for t, k, f in track
                  if k == "meta" and f[0] == kind)


def end_ticks(song):
    """The tick of each track's End of Track, None for a track without one."""
    ends = []
    for track in song["tracks"]:
        eot = [t for t, k, f in track if k == "meta" and f[0] == 0x2F]
        ends.append(eot[0] if len(eot) == 1 and track[-1][1:] == ("meta", (0x2F, b"")) else None)
    return ends


def bar_lines(song, end):
    """Every bar line from 0 to end by the time signatures (4/4 when there is none)."""
    signatures = meta_events(song, 0x58) or [(0, bytes([4, 2, 24, 8]))]
    lines = []
    tick = 0
    index = 0
    while tick <= end:
        while index + 1 < len(signatures) and signatures[index + 1][0] <= tick:
            index += 1
        numerator, power = signatures[index][1][0], signatures[index][1][1]
        lines.append(tick)
        tick += numerator * song["division"] * 4 // (1 << power)
    return lines


def seconds_at(song, tick):
    """Time of a tick by the tempo map (120 beats a minute until the first tempo)."""
    tempos = [(t, int.from_bytes(f, "big")) for t, f in meta_events(song, 0x51)]
    seconds = 0.0
    last_tick, micros = 0, 500000
    for t, m in tempos:
        if t >= tick:
            break
        seconds += (t - last_tick) * micros / 1e6 / song["division"]
        last_tick, micros = t, m
    return seconds + (tick - last_tick) * micros / 1e6 / song["division"]


def note_problems(song):
    """Notes that start while already sounding, stop while silent, or never stop.
    All tracks are merged, as a synthesiser hears them; at one tick, endings
    come before starts."""
    merged = []
    for number, track in enumerate(song["tracks"]):
        for tick, kind, fields in track:
            if kind in ("on", "off"):
                merged.append((tick, 0 if kind == "off" else 1, number, fields))
    merged.sort()
    sounding = {}
    problems = []
    for tick, is_on, number, (channel, k) in merged:
        if is_on:
            if (channel, k) in sounding:
                problems.append("track %d: key %d on channel %d starts again at tick %d while sounding"
                                % (number, k, channel + 1, tick))
            sounding[(channel, k)] = tick
        elif sounding.pop((channel, k), None) is None:
            problems.append("track %d: key %d on channel %d stops at tick %d without sounding"
                            % (number, k, channel + 1, tick))
    for (channel, k), tick in sorted(sounding.items(), key=lambda item: item[1]):
        problems.append("key %d on channel %d starts at tick %d and never stops" % (k, channel + 1, tick))
    return problems


def loop_problems(song):
    """What keeps the track from looping cleanly: tracks ending apart or off a
    bar line, or a last bar that is not filled to the line."""
    ends = end_ticks(song)
    if None in ends:
        return ["track %d has no single End of Track as its last event" % ends.index(None)]
    end = ends[0]
    problems = []
    if any(e != end for e in ends):
        problems.append("tracks end at different ticks: %s" % sorted(set(ends)))
        end = max(ends)
    if end not in bar_lines(song, end):
        problems.append("the end, tick %d, is not on a bar line" % end)
    offs = [t for track in song["tracks"] for t, k, _ in track if k == "off"]
    if not offs or max(offs) != end:
        problems.append("no note sounds up to the end, tick %d (last note ends at %s)"
                        % (end, max(offs) if offs else None))
    return problems
