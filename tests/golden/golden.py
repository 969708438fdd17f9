"""The golden frames for the real-window proofs: the scenes of scenes.txt as steps, the ones a run of the
program plays, each one's picture, and the comparison of a captured frame (tests/proof/screen.py's) with a picture."""

import json
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def rows():
    """The table's rows in order: (name, the scene it builds on or None, its own steps) with the steps in the
    proofs' words: ("move", (x, y)), ("click", 1) for the left button and ("click", 3) for the right,
    ("size", (w, h)), ("post-move", (x, y)), ("post-right", (x, y))."""
    table, full = [], {}
    with open(os.path.join(HERE, "scenes.txt")) as lines:
        for words in (iter(line.split()) for line in lines if line.strip() and line[0] != "#"):
            name, base, steps = next(words), None, []
            for word in words:
                if word in full and not steps and base is None:
                    base = word
                elif word in full:
                    steps += full[word]
                elif word in ("left", "right"):
                    steps.append(("click", 1 if word == "left" else 3))
                else:
                    steps.append((word, tuple(int(v) for v in next(words).split(","))))
            table.append((name, base, steps))
            full[name] = (full[base] if base else []) + steps
    return table


def session():
    """The scenes one run of the program plays, each from where the last one left off, with the steps of each
    after the last: the start-up frame, then the table's longest line of scenes that build on one another."""
    table = rows()
    bases = {name: base for name, base, _ in table}

    def line(name):
        return line(bases[name]) + [name] if bases[name] else [name]

    longest = max((line(name) for name, _, _ in table), key=len)
    own = {name: steps for name, _, steps in table}
    return [(name, own[name]) for name in ([table[0][0]] if table[0][0] not in longest else []) + longest]


def picture(name):
    return os.path.join(HERE, name + ".png")


def differences(frame, golden, only=None):
    """Failures (none when they agree) of a captured frame against a golden picture: every pixel of frames of
    the same size, or with only=colours the pixels of those colours on either side, over the area both cover."""
    if only is None and (frame.width, frame.height) != (golden.width, golden.height):
        return ["the frame is %dx%d, its golden picture %dx%d" % (frame.width, frame.height,
                                                                  golden.width, golden.height)]
    if only is None:
        row = frame.width * 3
        rows = [y for y in range(frame.height)
                if frame.data[y * row:(y + 1) * row] != golden.data[y * row:(y + 1) * row]]
        differing = [((x, y), frame.at(x, y), golden.at(x, y)) for y in rows for x in range(frame.width)
                     if frame.at(x, y) != golden.at(x, y)]
    else:
        width, height = min(frame.width, golden.width), min(frame.height, golden.height)
        drawn, wanted = ({p: c for c in only for p in f.positions(c) if p[0] < width and p[1] < height}
                         for f in (frame, golden))
        differing = [(p, drawn.get(p), wanted.get(p)) for p in sorted(set(drawn) | set(wanted))
                     if drawn.get(p) != wanted.get(p)]
    return ["%d pixels differ from the golden picture, first (x, y) drawn / wanted: %s" % (
        len(differing), ", ".join("%s %s / %s" % d for d in differing[:6]))] if differing else []


if __name__ == "__main__":
    # The session for the browser proof: [[name, [[step, value], ...]], ...].
    print(json.dumps(session()))
