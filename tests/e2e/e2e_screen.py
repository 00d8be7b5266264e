"""Screenshots of a window's client area: the whole X screen is taken with
ImageMagick's `import` at 8 bits per channel (exact RGB on a 24-bit Xvfb)
and cropped at the client origin that Wine reports."""
import subprocess
from types import SimpleNamespace

from e2e_wine import fail, next_file


def parse_ppm(data):
    """A binary PPM (P6, maxval 255) as an image record."""
    tokens = []
    position = 0
    while len(tokens) < 4:
        while data[position:position + 1].isspace():
            position += 1
        if data[position:position + 1] == b"#":
            position = data.index(b"\n", position) + 1
            continue
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        tokens.append(data[position:end])
        position = end
    if tokens[0] != b"P6" or int(tokens[3]) != 255:
        fail("screenshot is not an 8-bit PPM")
    width, height = int(tokens[1]), int(tokens[2])
    pixels = data[position + 1:position + 1 + width * height * 3]
    if len(pixels) != width * height * 3:
        fail("screenshot is truncated")
    return SimpleNamespace(width=width, height=height, rgb=pixels)


def crop(image, x, y, width, height):
    if x < 0 or y < 0 or x + width > image.width or y + height > image.height:
        fail("area %dx%d+%d+%d lies outside the %dx%d screen" % (width, height, x, y, image.width,
                                                                image.height))
    rows = []
    for row in range(y, y + height):
        start = (row * image.width + x) * 3
        rows.append(image.rgb[start:start + width * 3])
    return SimpleNamespace(width=width, height=height, rgb=b"".join(rows))


def pixel(image, x, y):
    offset = (y * image.width + x) * 3
    return tuple(image.rgb[offset:offset + 3])


def save_ppm(image, path):
    with open(path, "wb") as sink:
        sink.write(b"P6\n%d %d\n255\n" % (image.width, image.height))
        sink.write(image.rgb)


def grab_screen(session):
    path = next_file(session, "screen.ppm")
    result = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:" + path],
                            capture_output=True, timeout=30, env=session.env)
    if result.returncode != 0:
        fail("import failed: %s" % result.stderr.decode().strip())
    with open(path, "rb") as source:
        data = source.read()
    return path, parse_ppm(data)


def client_shot(session, rect):
    """The client area given by an inspector client-rect record. The cropped
    image replaces the full screen file, which is kept for failed runs."""
    path, screen = grab_screen(session)
    image = crop(screen, int(rect["x"]), int(rect["y"]), int(rect["width"]), int(rect["height"]))
    save_ppm(image, path)
    image.path = path
    return image


def parse_text_image(text):
    """The pixel rows printed by the inspector's text-image command."""
    lines = text.splitlines()
    header = dict(field.split("=", 1) for field in lines[0].split("\t"))
    width, height = int(header["width"]), int(header["height"])
    rgb = bytes.fromhex("".join(lines[1:1 + height]))
    if len(rgb) != width * height * 3:
        fail("text-image output is incomplete")
    return SimpleNamespace(width=width, height=height, rgb=rgb)


def same_area(image, x, y, reference):
    """Whether the image holds the reference image at (x, y), pixel for pixel."""
    return crop(image, x, y, reference.width, reference.height).rgb == reference.rgb
