#!/usr/bin/env python3
"""A minimal detector for VireoOWL Edge's "FIFO" mode: copy it to start your own.

Standard library only. It serves the two pipes, reads each framed request,
decodes the PNG picture's size and answers with the example document built in
answer() below: one box (a quarter in from the left and top, half the
picture's size) with a value panel, a point at its centre and a line along its
diagonal, and one frame entry with a panel.

    python3 tools/example_detector.py [--req NAME] [--resp NAME]

The names default to the program's: \\\\.\\pipe\\req_pipe and
\\\\.\\pipe\\resp_pipe, which live in $XDG_RUNTIME_DIR (or /tmp) on Linux; any
other name is a path. Start the detector first or after the program, in any
order: the program retries every frame until both pipes are served.

Framing, both ways: 4 bytes body length (unsigned, little-endian), then the
body, UTF-8 JSON. The request is {"app_type": "edge", "image_base64_str":
"<PNG in Base64, CR LF every 76 characters>"}.
"""

import argparse
import base64
import json
import os
import stat
import struct
import sys

PIPE_PREFIX = "\\\\.\\pipe\\"
MAX_REQUEST = 64 << 20


def pipe_path(name):
    """Maps \\\\.\\pipe\\NAME to the place the program looks for it."""
    if name.lower().startswith(PIPE_PREFIX):
        runtime_dir = os.environ.get("XDG_RUNTIME_DIR") or "/tmp"
        return os.path.join(runtime_dir, name[len(PIPE_PREFIX):])
    return name


def ensure_fifo(path):
    try:
        mode = os.lstat(path).st_mode
    except FileNotFoundError:
        os.mkfifo(path, 0o600)
        return
    if not stat.S_ISFIFO(mode):
        sys.exit(f"example_detector: {path} exists and is not a FIFO")


def read_exactly(stream, size):
    """Exactly `size` bytes, or None when the program has closed the pipe."""
    data = bytearray()
    while len(data) < size:
        chunk = stream.read(size - len(data))
        if not chunk:
            return None
        data += chunk
    return bytes(data)


def write_all(stream, data):
    """All of `data`: a raw pipe write may take only part of it."""
    view = memoryview(data)
    while view:
        view = view[stream.write(view):]


def png_size(png):
    """Width and height from a PNG's header, without decoding the pixels."""
    if len(png) < 24 or png[:8] != b"\x89PNG\r\n\x1a\n":
        return 0, 0
    return struct.unpack(">II", png[16:24])


def answer(width, height, frame_number):
    """The example result document; every key below is optional."""
    x, y, w, h = width // 4, height // 4, width // 2, height // 2
    return {
        # One entry per object, shown as a box frame and a panel beside it.
        # Entries are taken in byte order of their names.
        "bounding_box_info": {
            "object_000": {
                # Pixels of the picture received.
                "bbox": {"x": x, "y": y, "width": w, "height": h},
                # Panel rows; "order" is the row, from 0.
                "ordered_value_dict": {
                    "a_label": {"order": 0, "title": "Label", "value": "example",
                                "font_size": 14, "alignment": 132,
                                "show_on_panel": True, "show_title": True},
                    "b_score": {"order": 1, "title": "Score", "value": "0.99",
                                "font_size": 12, "alignment": 132,
                                "show_on_panel": True, "show_title": True},
                },
                "qt_panel_style_sheet": "background-color:rgba(34,110,158,70%); "
                                        "border-radius: 15px; color: rgb(255, 255, 204);",
                # Marks on the video, in pixels of the picture received.
                "draw_dict": {
                    "point": {"centre": {"x": x + w // 2, "y": y + h // 2}},
                    "line": {"diagonal": {"point_1_x": x, "point_1_y": y,
                                          "point_2_x": x + w, "point_2_y": y + h}},
                },
            },
        },
        # Entries about the whole frame: a panel, and optionally a picture
        # ("image_base64_str", a PNG in Base64) with "transparent_rate".
        "frame_info": {
            "example": {
                "ordered_value_dict": {
                    "a_frame": {"order": 0, "title": "Frame", "value": str(frame_number),
                                "font_size": 12, "alignment": 132, "show_on_panel": True},
                    "b_size": {"order": 1, "title": "Size", "value": f"{width}x{height}",
                               "font_size": 12, "alignment": 132, "show_on_panel": True},
                },
            },
        },
    }


def serve(request_path, response_path):
    # Either order works: the program opens the response pipe first, without waiting.
    with open(request_path, "rb", buffering=0) as requests, \
            open(response_path, "wb", buffering=0) as responses:
        frame_number = 0
        while True:
            header = read_exactly(requests, 4)
            if header is None:
                return  # the program closed the pipes
            (length,) = struct.unpack("<I", header)
            if length > MAX_REQUEST:
                sys.exit(f"example_detector: a request of {length} bytes")
            body = read_exactly(requests, length)
            if body is None:
                return
            frame_number += 1
            request = json.loads(body)
            png = base64.b64decode(request.get("image_base64_str", ""))  # skips the CR LF
            width, height = png_size(png)
            text = json.dumps(answer(width, height, frame_number)).encode("utf-8")
            try:
                write_all(responses, struct.pack("<I", len(text)) + text)
            except BrokenPipeError:
                return


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--req", default=PIPE_PREFIX + "req_pipe", help="request pipe name")
    parser.add_argument("--resp", default=PIPE_PREFIX + "resp_pipe", help="response pipe name")
    args = parser.parse_args()
    request_path, response_path = pipe_path(args.req), pipe_path(args.resp)
    ensure_fifo(request_path)
    ensure_fifo(response_path)
    serve(request_path, response_path)


if __name__ == "__main__":
    main()
