"""The golden frames for the real-window proofs: the scenes of scenes.txt as steps, the path of each one's
picture, and the comparison of a captured frame with a picture (every pixel, or only some colours). Frames are
tests/proof/screen.py's."""

import os

HERE = os.path.dirname(os.path.abspath(__file__))


def scenes():
    """Scene name -> its steps from start-up in the proofs' words: ("move", (x, y)), ("click", 1) for the left
    button and ("click", 3) for the right, ("size", (w, h)), ("post-move", (x, y)), ("post-right", (x, y))."""
    table = {}
    with open(os.path.join(HERE, "scenes.txt")) as lines:
        for line in lines:
            words = iter(line.split())
            name = next(words, "#")
            if name.startswith("#"):
                continue
            steps = []
            for word in words:
                if word in table:
                    steps += table[word]
                elif word in ("left", "right"):
                    steps.append(("click", 1 if word == "left" else 3))
                else:
                    steps.append((word, tuple(int(v) for v in next(words).split(","))))
            table[name] = steps
    return table


def picture(name):
    return os.path.join(HERE, name + ".png")


def differences(frame, golden, only=None):
    """Failures (none when they agree) of a captured frame against a golden picture: every pixel of frames of
    the same size, or with only=colours the pixels of those colours on either side, over the area both cover."""
    differing = []
    if only is None:
        if (frame.width, frame.height) != (golden.width, golden.height):
            return ["the frame is %dx%d, its golden picture %dx%d" % (frame.width, frame.height,
                                                                      golden.width, golden.height)]
        row = frame.width * 3
        for y in range(frame.height):
            if frame.data[y * row:(y + 1) * row] != golden.data[y * row:(y + 1) * row]:
                differing += [((x, y), frame.at(x, y), golden.at(x, y)) for x in range(frame.width)
                              if frame.at(x, y) != golden.at(x, y)]
    else:
        width, height = min(frame.width, golden.width), min(frame.height, golden.height)
        drawn, wanted = ({p: c for c in only for p in f.positions(c) if p[0] < width and p[1] < height}
                         for f in (frame, golden))
        differing = [(p, drawn.get(p), wanted.get(p)) for p in sorted(set(drawn) | set(wanted))
                     if drawn.get(p) != wanted.get(p)]
    if not differing:
        return []
    return ["%d pixels differ from the golden picture, first (x, y) drawn / wanted: %s" % (
        len(differing), ", ".join("%s %s / %s" % d for d in differing[:6]))]
