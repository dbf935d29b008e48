#!/usr/bin/env python3
# Builds a folder tree of small MP3 files (a few frames of silence) with a realistic mix of ID3
# tags, for the benchmarks, or a small friendly demo folder with --demo. Standard library only.
"""Generate MP3 files with ID3 tags.

  make_corpus.py OUTDIR --count N [--seed S]   OUTDIR/Artist NN/Album MM/TT - Title.mp3
  make_corpus.py OUTDIR --demo                 about 40 tagged files with readable names

The same seed and count always give the same bytes.
"""

import argparse
import os
import random
import struct
import sys

# MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo, no CRC: 417 bytes a frame, all-zero
# side information and main data, which decodes to silence.
FRAME = b"\xff\xfb\x90\x64" + bytes(417 - 4)

# A few genres of the ID3v1 table: (index, name).
GENRES = [
    (0, "Blues"), (2, "Country"), (7, "Hip-Hop"), (8, "Jazz"), (9, "Metal"), (13, "Pop"),
    (17, "Rock"), (18, "Techno"), (20, "Alternative"), (24, "Soundtrack"), (32, "Classical"),
    (52, "Electronic"), (80, "Folk"),
]

LATIN_WORDS = [
    "Silver", "Harbour", "Lantern", "Velvet", "Northern", "Echo", "Paper", "River", "Winter",
    "Garden", "Signal", "Midnight", "Golden", "Static", "Hollow", "Summer", "Glass", "Falcon",
    "Ocean", "Electric", "Quiet", "Stone", "Neon", "Café", "Atlas", "Orchid", "Thunder", "Mirror",
    "Dream", "Highway", "Crystal", "Shadow", "Morning", "Ember", "Comet", "Daisy", "Zürich",
    "Horizon", "Wolves", "Satellite",
]
CYRILLIC_WORDS = [
    "Северный", "Ветер", "Белая", "Ночь", "Звезда", "Город", "Река", "Огни", "Дорога", "Весна",
    "Тишина", "Лето", "Сны", "Небо", "Зима", "Песня", "Кометы", "Берег", "Утро", "Голос", "Поезд",
    "Море", "Листья", "Дождь", "Солнце", "Туман", "Облака", "Ёлки", "Крылья", "Мост",
]
COMMENTS_LATIN = ["", "", "Ripped from CD", "Remastered", "Live recording", "Bonus track",
                  "Thanks for listening!"]
COMMENTS_CYRILLIC = ["", "", "Концертная запись", "Из коллекции", "Ремастеринг", "Бонус-трек"]
ENCODERS = ["LAME 3.100", "LAME 3.99.5", "iTunes 12.3.1", "Exact Audio Copy"]


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def has_cyrillic(text):
    return any("\u0400" <= ch <= "\u04ff" for ch in text)


def legacy_bytes(text):
    """8-bit text: Windows-1251 when it holds Cyrillic, else Latin-1 ('?' for the rest)."""
    return text.encode("cp1251" if has_cyrillic(text) else "latin-1", errors="replace")


def encoded(enc, text):
    if enc == 0:
        return legacy_bytes(text)
    if enc == 1:
        return b"\xff\xfe" + text.encode("utf-16-le")
    return text.encode("utf-8")


def terminator(enc):
    return b"\x00\x00" if enc == 1 else b"\x00"


def frame(version, frame_id, payload):
    size = synchsafe(len(payload)) if version == 4 else struct.pack(">I", len(payload))
    return frame_id.encode("ascii") + size + b"\x00\x00" + payload


def text_frame(version, frame_id, enc, text):
    return frame(version, frame_id, bytes([enc]) + encoded(enc, text))


def comment_frame(version, enc, text):
    # Language "eng", empty description.
    description = (b"\xff\xfe" if enc == 1 else b"") + terminator(enc)
    return frame(version, "COMM", bytes([enc]) + b"eng" + description + encoded(enc, text))


def user_text_frame(version, enc, description, value):
    return frame(version, "TXXX",
                 bytes([enc]) + encoded(enc, description) + terminator(enc) + encoded(enc, value))


def picture_frame(version, rng, size=30 * 1024):
    jpeg = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    jpeg += rng.randbytes(size - len(jpeg) - 2) + b"\xff\xd9"
    # Latin-1, MIME type, front cover, empty description.
    return frame(version, "APIC", b"\x00image/jpeg\x00\x03\x00" + jpeg)


def id3v2_tag(version, frames, padding):
    body = b"".join(frames)
    return b"ID3" + bytes([version, 0, 0]) + synchsafe(len(body) + padding) + body + bytes(padding)


def id3v1_tag(t, with_track=True):
    def field(text, length):
        return legacy_bytes(text)[:length].ljust(length, b"\x00")

    if with_track:
        comment = field(t["comment"], 28) + b"\x00" + bytes([int(t["track"]) & 0xFF])
    else:
        comment = field(t["comment"], 30)
    return (b"TAG" + field(t["title"], 30) + field(t["artist"], 30) + field(t["album"], 30)
            + field(t["year"], 4) + comment + bytes([t["genre"][0]]))


def id3v2_frames(version, enc, t, rng, picture, plain_genre=False):
    """The frames of one tag: the cover first when there is one, then the text frames. The genre
    is a name, a number or "(number)name" forms unless plain_genre asks for the name alone."""
    year_id = "TDRC" if version == 4 else "TYER"
    year = t["year"]
    if version == 4 and rng.random() < 0.3:
        year += "-%02d-%02d" % (rng.randint(1, 12), rng.randint(1, 28))
    track = str(t["track"])
    style = rng.random()
    if style < 0.3:
        track = "%s/%d" % (track, t["tracks"])
    elif style < 0.5:
        track = "%02d" % t["track"]
    index, name = t["genre"]
    style = 1.0 if plain_genre else rng.random()
    if version == 3 and style < 0.3:
        genre = "(%d)" % index
    elif version == 3 and style < 0.5:
        genre = "(%d)%s" % (index, name)
    elif version == 4 and style < 0.3:
        genre = str(index)
    else:
        genre = name
    texts = [
        text_frame(version, "TIT2", enc, t["title"]),
        text_frame(version, "TPE1", enc, t["artist"]),
        text_frame(version, "TALB", enc, t["album"]),
        text_frame(version, year_id, enc, year),
        text_frame(version, "TRCK", enc, track),
        text_frame(version, "TCON", enc, genre),
    ]
    if t["comment"] or rng.random() < 0.3:
        texts.append(comment_frame(version, enc, t["comment"]))
    if rng.random() < 0.4:
        texts.append(text_frame(version, "TENC", enc, rng.choice(ENCODERS)))
    if rng.random() < 0.2:
        if rng.random() < 0.5:
            texts.append(user_text_frame(version, enc, "CATALOGNUMBER", "CAT-%05d" % rng.randint(0, 99999)))
        else:
            texts.append(user_text_frame(version, enc, "REPLAYGAIN_TRACK_GAIN",
                                         "%.2f dB" % rng.uniform(-12.0, 3.0)))
    if rng.random() < 0.3:
        rng.shuffle(texts)
    return ([picture_frame(version, rng)] if picture else []) + texts


# The tag kinds of the corpus, with their weights (percent).
KINDS = [("none", 10), ("v1", 15), ("v23-latin1", 25), ("v23-utf16", 22), ("v24-utf8", 28)]
PICTURE_SHARE = 0.05     # of all files
V1_WITH_V2_SHARE = 0.5   # of the ID3v2 files


def file_bytes(kind, t, rng, picture, also_v1, plain_genre=False):
    audio = FRAME * rng.randint(3, 8)
    if kind == "none":
        return audio
    if kind == "v1":
        return audio + id3v1_tag(t, with_track=rng.random() < 0.8)
    version, enc = {"v23-latin1": (3, 0), "v23-utf16": (3, 1), "v24-utf8": (4, 3)}[kind]
    frames = id3v2_frames(version, enc, t, rng, picture, plain_genre)
    tag = id3v2_tag(version, frames, rng.randint(256, 2048))
    return tag + audio + (id3v1_tag(t) if also_v1 else b"")


def words(rng, cyrillic, low, high):
    pool = CYRILLIC_WORDS if cyrillic else LATIN_WORDS
    return " ".join(rng.sample(pool, rng.randint(low, high)))


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def make_corpus(outdir, count, seed):
    rng = random.Random(seed)
    kinds = [k for k, _ in KINDS]
    weights = [w for _, w in KINDS]
    v2_share = sum(w for k, w in KINDS if k.startswith("v2")) / sum(weights)
    # Every artist but the last has at least 20 files, so this width keeps the folders in order.
    width = max(2, len(str(count // 20 + 1)))
    stats = {k: 0 for k in kinds}
    pictures = v1_after_v2 = total_bytes = 0
    written = artists = albums = 0
    while written < count:
        artists += 1
        cyrillic = rng.random() < 0.3
        artist = words(rng, cyrillic, 1, 2)
        if not cyrillic and rng.random() < 0.3:
            artist = "The " + artist
        for album_no in range(1, rng.randint(2, 5) + 1):
            if written >= count:
                break
            albums += 1
            album = words(rng, cyrillic, 1, 3)
            year = str(rng.randint(1965, 2023))
            genre = rng.choice(GENRES)
            tracks = rng.randint(10, 15)
            folder = os.path.join(outdir, "Artist %0*d" % (width, artists), "Album %02d" % album_no)
            for track in range(1, tracks + 1):
                if written >= count:
                    break
                title = words(rng, cyrillic and rng.random() < 0.9, 1, 4)
                comments = COMMENTS_CYRILLIC if cyrillic else COMMENTS_LATIN
                t = {"title": title, "artist": artist, "album": album, "year": year,
                     "track": track, "tracks": tracks, "genre": genre,
                     "comment": rng.choice(comments)}
                kind = rng.choices(kinds, weights)[0]
                picture = kind.startswith("v2") and rng.random() < PICTURE_SHARE / v2_share
                also_v1 = kind.startswith("v2") and rng.random() < V1_WITH_V2_SHARE
                data = file_bytes(kind, t, rng, picture, also_v1)
                write_file(os.path.join(folder, "%02d - %s.mp3" % (track, title)), data)
                stats[kind] += 1
                pictures += picture
                v1_after_v2 += also_v1
                total_bytes += len(data)
                written += 1
    mix = ", ".join("%d %s" % (stats[k], k) for k in kinds)
    print("make_corpus: %d files, %d albums, %d artists, %.1f MB in %s (seed %d): %s; "
          "%d with a cover, %d ID3v2 files also with ID3v1"
          % (written, albums, artists, total_bytes / 1e6, outdir, seed, mix, pictures, v1_after_v2))


# The demo folder: (artist, album, year, genre index, tag kind, titles).
DEMO = [
    ("Northern Lights", "Winter Roads", "2019", 13, "v23-utf16",
     ["Morning Coffee", "City in the Rain", "Paper Planes", "Long Way Home", "Snow on the Tracks",
      "Lighthouse", "Goodnight, Harbour"]),
    ("Northern Lights", "Summer Tapes", "2021", 13, "v24-utf8",
     ["Sunflower Field", "Radio Waves", "Ice Cream Van", "Weekend by the Sea", "Fireflies"]),
    ("Белые Ночи", "Летний вечер", "2018", 17, "v23-utf16",
     ["Звёзды над рекой", "Последний трамвай", "Белая ночь", "Старый двор", "Ты и я",
      "Дорога домой"]),
    ("Белые Ночи", "Зимняя сказка", "2020", 17, "v24-utf8",
     ["Снег идёт", "Огни большого города", "Тёплый чай", "Новый год", "Метель"]),
    ("Anna Sokolova", "Quiet Hours", "2016", 8, "v23-latin1",
     ["Blue Monday Morning", "Rainy Afternoon", "Candlelight", "Slow Dance", "Midnight Train",
      "Autumn Leaves Falling"]),
    ("Городские Огни", "Первый альбом", "2015", 52, "v23-latin1",
     ["Пролог", "Неоновый город", "Ночной эфир", "Сигнал", "Эпилог"]),
    ("The Paperboats", "Harbour Songs", "2012", 80, "v1",
     ["Sailor's Lament", "Fisherman's Wife", "Northern Star", "Tide Comes In", "Home Port",
      "Lantern Light"]),
]


def make_demo(outdir, seed):
    rng = random.Random(seed)
    written = total_bytes = 0
    for artist, album, year, genre_index, kind, titles in DEMO:
        genre = next(g for g in GENRES if g[0] == genre_index)
        folder = os.path.join(outdir, artist, "%s (%s)" % (album, year))
        for track, title in enumerate(titles, start=1):
            t = {"title": title, "artist": artist, "album": album, "year": year, "track": track,
                 "tracks": len(titles), "genre": genre, "comment": "Tagmora demo"}
            picture = album == "Winter Roads" and track == 1
            data = file_bytes(kind, t, rng, picture, also_v1=(track % 2 == 0), plain_genre=True)
            write_file(os.path.join(folder, "%02d - %s.mp3" % (track, title)), data)
            written += 1
            total_bytes += len(data)
    albums = len(DEMO)
    artists = len({d[0] for d in DEMO})
    print("make_corpus: demo of %d files, %d albums, %d artists, %.1f KB in %s"
          % (written, albums, artists, total_bytes / 1e3, outdir))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("outdir", help="folder to fill (created when missing)")
    parser.add_argument("--count", type=int, help="number of files to generate")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--demo", action="store_true", help="a small demo folder instead")
    args = parser.parse_args(argv)
    if args.demo:
        make_demo(args.outdir, args.seed)
        return 0
    if args.count is None or args.count < 0:
        parser.error("--count N is needed (or --demo)")
    make_corpus(args.outdir, args.count, args.seed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
