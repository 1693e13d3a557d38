#!/usr/bin/env python3
"""A detector that misbehaves on cue, for the pipe timing tests.

It serves connection after connection (as a detector under a supervisor is
restarted) and answers each request with one box whose panel counts the
answers, plus a frame entry naming the picture's size. One line per request
on standard output: "request N WxH". Flags pick the fault:

  --delay-ms N           answer N ms after each request
  --response-first       open the response pipe before the request pipe
  --restart-after-header K
                         on request K write only the answer's length, then
                         open the pipes again before the old ends close: a
                         restart whose end of file the program never sees
  --answer-every N       answer requests 1, 1+N, 1+2N, ... and leave the
                         others unanswered (still reading the next)
  --stop-reading-after B stop reading a request after B bytes, pipes open
  --empty-after N        answer an empty document after N answers
  --check-order          report "order violation" when a request arrives
                         before the previous one was answered
"""

import argparse
import base64
import json
import os
import select
import struct
import sys
import time


def read_exactly(fd, size):
    data = bytearray()
    while len(data) < size:
        chunk = os.read(fd, size - len(data))
        if not chunk:
            return None
        data += chunk
    return bytes(data)


def write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def png_size(png):
    if len(png) < 24 or png[:8] != b"\x89PNG\r\n\x1a\n":
        return 0, 0
    return struct.unpack(">II", png[16:24])


def answer(width, height, count):
    panel = {"a_count": {"order": 0, "title": "Frame", "value": str(count), "font_size": 14,
                         "alignment": 132, "show_on_panel": True, "show_title": True}}
    return {
        "bounding_box_info": {"box_000": {
            "bbox": {"x": width // 4, "y": height // 4, "width": width // 4, "height": height // 4},
            "ordered_value_dict": panel}},
        "frame_info": {"size": {"ordered_value_dict": {"a_size": {
            "order": 0, "title": "Size", "value": f"{width}x{height}", "show_on_panel": True}}}},
    }


def open_pipes(args):
    if args.response_first:
        responses = os.open(args.resp, os.O_WRONLY)
        requests = os.open(args.req, os.O_RDONLY)
    else:
        requests = os.open(args.req, os.O_RDONLY)
        responses = os.open(args.resp, os.O_WRONLY)
    return requests, responses


def serve(args):
    number = 0
    answers = 0
    requests, responses = open_pipes(args)
    while True:
        header = read_exactly(requests, 4)
        if header is not None and args.stop_reading_after is not None:
            os.read(requests, args.stop_reading_after)
            time.sleep(3600)
        body = None if header is None else read_exactly(requests, struct.unpack("<I", header)[0])
        if body is None:  # the program closed its ends: serve the next connection
            os.close(requests)
            os.close(responses)
            requests, responses = open_pipes(args)
            continue
        number += 1
        png = base64.b64decode(json.loads(body).get("image_base64_str", ""))
        width, height = png_size(png)
        print(f"request {number} {width}x{height}", flush=True)
        time.sleep(args.delay_ms / 1000.0)
        if args.check_order and select.select([requests], [], [], 0)[0]:
            print("order violation", flush=True)
        if (number - 1) % args.answer_every != 0:
            continue
        answers += 1
        document = {} if args.empty_after is not None and answers > args.empty_after \
            else answer(width, height, answers)
        text = json.dumps(document).encode("utf-8")
        try:
            if number == args.restart_after_header:
                write_all(responses, struct.pack("<I", len(text)))
                old = (requests, responses)
                requests, responses = open_pipes(args)
                os.close(old[0])
                os.close(old[1])
                continue
            write_all(responses, struct.pack("<I", len(text)) + text)
        except BrokenPipeError:
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--req", required=True)
    parser.add_argument("--resp", required=True)
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--response-first", action="store_true")
    parser.add_argument("--restart-after-header", type=int, default=0)
    parser.add_argument("--answer-every", type=int, default=1)
    parser.add_argument("--stop-reading-after", type=int)
    parser.add_argument("--empty-after", type=int)
    parser.add_argument("--check-order", action="store_true")
    args = parser.parse_args()
    for path in (args.req, args.resp):
        if not os.path.exists(path):
            os.mkfifo(path, 0o600)
    try:
        serve(args)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
