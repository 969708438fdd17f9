"""What a frame must show, computed independently of the program: an ordinary vector ray tracer for the
expected paths, and the pixel checks that judge a screenshot against a list of drawn items."""

import math

from screen import BLACK, RED, WHITE, YELLOW

MAX_PATH_POINTS = 22


def trace(walls, launch, cursor):
    """The ray path as the user sees it: from the launch point toward the cursor (straight down when the two
    coincide), reflected by the mirror law at the nearest wall ahead, at most 22 points. When nothing more is
    hit, the path ends at the cursor before the first hit, and otherwise one previous segment length after the
    last hit point. Plain vector geometry in floating point: meant for rays that meet no vertex exactly."""
    ox, oy = float(launch[0]), float(launch[1])
    tx, ty = float(cursor[0]), float(cursor[1])
    dx, dy = tx - ox, ty - oy
    if dx == 0 and dy == 0:
        dx, dy = 0.0, 1.0
    path = [(ox, oy)]
    skip = None
    while True:
        best = None
        for i in range(len(walls) - 1):
            if i == skip:
                continue
            (ax, ay), (bx, by) = walls[i], walls[i + 1]
            ex, ey = bx - ax, by - ay
            denominator = dx * ey - dy * ex
            if denominator == 0:
                continue
            # origin + t * direction = a + u * (b - a)
            t = ((ax - ox) * ey - (ay - oy) * ex) / denominator
            u = ((ax - ox) * dy - (ay - oy) * dx) / denominator
            if t > 1e-9 and 0 <= u <= 1 and (best is None or t < best[0]):
                best = (t, i)
        if best is None:
            path.append((tx, ty))
            return path
        t, skip = best
        hx, hy = ox + t * dx, oy + t * dy
        path.append((hx, hy))
        if len(path) >= MAX_PATH_POINTS:
            return path
        (ax, ay), (bx, by) = walls[skip], walls[skip + 1]
        nx, ny = -(by - ay), bx - ax
        n_len = math.hypot(nx, ny)
        nx, ny = nx / n_len, ny / n_len
        dot = dx * nx + dy * ny
        dx, dy = dx - 2 * dot * nx, dy - 2 * dot * ny
        # The point the reflected ray heads for lies as far from the hit point as the origin was.
        travelled = math.hypot(hx - ox, hy - oy)
        length = math.hypot(dx, dy)
        tx, ty = hx + dx / length * travelled, hy + dy / length * travelled
        ox, oy = hx, hy


def segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    ex, ey = bx - ax, by - ay
    length2 = ex * ex + ey * ey
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * ex + (py - ay) * ey) / length2))
    return math.hypot(px - (ax + t * ex), py - (ay + t * ey))


class Polyline:
    def __init__(self, colour, points):
        self.colour = colour
        self.points = [(float(x), float(y)) for x, y in points]

    def colours(self):
        return (self.colour,)

    def distance(self, x, y):
        if len(self.points) == 1:
            return math.hypot(x - self.points[0][0], y - self.points[0][1])
        return min(segment_distance(x, y, a, b) for a, b in zip(self.points, self.points[1:]))

    def samples(self, step=3.0, margin=3.0):
        """Every vertex, and points along every segment, `step` apart and `margin` away from its ends. A vertex
        is judged within a pixel like every point: the last point of a polyline is not drawn."""
        yield from self.points
        for (ax, ay), (bx, by) in zip(self.points, self.points[1:]):
            length = math.hypot(bx - ax, by - ay)
            s = margin
            while s <= length - margin:
                yield ax + (bx - ax) * s / length, ay + (by - ay) * s / length
                s += step


class Disc:
    """The launch marker: a yellow disc with a red outline, radius 5."""

    def __init__(self, centre):
        self.centre = centre

    def colours(self):
        return (RED, YELLOW)

    def distance(self, x, y):
        return max(0.0, math.hypot(x - self.centre[0], y - self.centre[1]) - 5.0)


def _pixel(x, y):
    # Path points are truncated toward zero before they are drawn; all our coordinates are positive.
    return int(math.floor(x)), int(math.floor(y))


def text_box(frame, left, right):
    """The bounding box (left, top, right, bottom) of the black and white pixels of one coordinate text, which
    is drawn at (left, 0) black on white; None when there are none."""
    xs, ys = [], []
    for y in range(0, min(40, frame.height)):
        for x in range(left, min(right, frame.width)):
            if frame.at(x, y) in (BLACK, WHITE):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def text_boxes(frame):
    return text_box(frame, 0, 60), text_box(frame, 60, 200)


def check_texts(frame):
    failures = []
    for name, left, box in (("X", 0, text_box(frame, 0, 60)), ("Y", 60, text_box(frame, 60, 200))):
        if box is None:
            failures.append("no %s coordinate text at (%d, 0)" % (name, left))
            continue
        if box[0] != left or box[1] != 0:
            failures.append("the %s coordinate text starts at (%d, %d), not at (%d, 0)" %
                            (name, box[0], box[1], left))
        blacks = frame.count(BLACK, box)
        whites = frame.count(WHITE, box)
        if blacks < 5 or whites < 5:
            failures.append("the %s coordinate text is not black on white (%d black, %d white pixels)" %
                            (name, blacks, whites))
    return failures


def check_items(frame, items, background):
    """Judges a frame against the items drawn on it, in drawing order:
    - every polyline shows its colour along its whole length (within a pixel), except where a later item of
      another colour covers it;
    - the launch marker has its yellow fill and its red outline;
    - no red or yellow pixel lies away from the items of that colour (nothing stale, nothing stray);
    - a grid of sample points away from every item and from the texts shows the background colour."""
    failures = []
    for index, item in enumerate(items):
        later = items[index + 1:]
        if isinstance(item, Polyline):
            missing = []
            for x, y in item.samples():
                if any(item.colour not in other.colours() and other.distance(x, y) < 2.5 for other in later):
                    continue
                px, py = _pixel(x, y)
                if not frame.near(px, py, item.colour):
                    missing.append((px, py))
            if missing:
                failures.append("%s line %s lacks its colour at %d sample points, first %s" % (
                    _name(item.colour), _short(item.points), len(missing), missing[:4]))
        elif isinstance(item, Disc):
            failures += _check_disc(frame, item, later)

    for colour in (RED, YELLOW):
        owners = [item for item in items if colour in item.colours()]
        stray = [(x, y) for x, y in frame.positions(colour)
                 if not any(item.distance(x, y) <= 2.5 for item in owners)]
        if stray:
            failures.append("%d %s pixels away from everything drawn in %s, first %s" % (
                len(stray), _name(colour), _name(colour), stray[:4]))

    texts = [box for box in text_boxes(frame) if box]
    off_background = []
    for y in range(5, frame.height, 23):
        for x in range(5, frame.width, 23):
            if any(l - 1 <= x <= r and t - 1 <= y <= b for l, t, r, b in texts):
                continue
            if any(item.distance(x, y) < 4 for item in items):
                continue
            if frame.at(x, y) != background:
                off_background.append(((x, y), frame.at(x, y)))
    if off_background:
        failures.append("%d sample points are not the background %s, first %s" % (
            len(off_background), background, off_background[:4]))
    return failures


def _check_disc(frame, disc, later):
    failures = []
    cx, cy = disc.centre
    covered = [other for other in later if RED in other.colours() or YELLOW in other.colours()]
    for dx, dy in ((-2, 0), (2, 0), (0, -2), (0, 2), (-2, -2), (2, 2), (-2, 2), (2, -2)):
        x, y = cx + dx, cy + dy
        if frame.at(x, y) != YELLOW:
            failures.append("the launch marker at %s is not filled yellow at %s: %s" % (disc.centre, (x, y),
                                                                                         frame.at(x, y)))
    for degrees in range(0, 360, 30):
        x = cx + 5 * math.cos(math.radians(degrees))
        y = cy + 5 * math.sin(math.radians(degrees))
        if any(other.distance(x, y) < 2.5 for other in covered):
            continue
        if not frame.near(int(round(x)), int(round(y)), RED):
            failures.append("the launch marker at %s has no red outline near %s" % (disc.centre,
                                                                                    (round(x), round(y))))
    return failures


def _name(colour):
    return {RED: "red", YELLOW: "yellow"}.get(colour, str(colour))


def _short(points):
    return "(" + ")-(".join("%g, %g" % (round(x, 1), round(y, 1)) for x, y in points) + ")"
