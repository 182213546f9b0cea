#!/usr/bin/env python3
"""Writes gps.json (the bundled sample database) and the icons in Icons/.

The sample is a season of sailing in 2009 along the Dutch Wadden coast and the
Danish coasts, in the tables of the old program. Run it again after changing
it; the build turns gps.json into gps.mdb with jetwrite.
"""
import json
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_FOLDER = "C:\\Program Files\\Ankrum Pro 3\\Icons\\"

TYPES = [  # Type, Description, Icon
    (1, "Harbour", ICON_FOLDER + "harbour.ico"),
    (2, "Anchorage", ICON_FOLDER + "anchor.ico"),
    (3, "Buoy", None),
    (4, "Lighthouse", "lighthouse.ico"),
    (5, "Waypoint", ICON_FOLDER + "waypoint.ico"),  # not shipped: the default type is copied
    (6, "Harbour", None),  # a second type of the same name
]

GROUPS = [  # Group, Description
    (1, "Wadden Sea"),
    (2, "North Sea coast"),
    (3, "Danish west coast"),
    (4, "Kattegat"),
    (5, "Anchorages"),
    (6, "Kattegat"),  # shares its description with group 4
]

# Waypoint, Type, Description, Latitude, Longitude, Datum, Group
WAYPOINTS = [
    (1, 1, "Harlingen", 53.174722, 5.412778, 0, 1),
    (2, 1, "Terschelling West", 53.359722, 5.218333, 0, 1),
    (3, 1, "Vlieland", 53.296111, 5.091667, 0, 1),
    (4, 1, "Oudeschild", 53.038611, 4.848611, 0, 1),
    (5, 1, "Den Helder", 52.964722, 4.745278, 0, 2),
    (6, 1, "Lauwersoog", 53.410278, 6.201111, 0, 1),
    (7, 1, "Delfzijl", 53.329722, 6.929444, 0, 1),
    (8, 1, "IJmuiden", 52.462778, 4.582778, 1, 2),
    (9, 1, "Scheveningen", 52.101667, 4.264444, 1, 2),
    (10, 1, "Stellendam", 51.827500, 4.035556, 1, 2),
    (11, 1, "Vlissingen", 51.442500, 3.596389, 1, 2),
    (12, 3, "Blauwe Slenk 2", 53.218333, 5.321667, 0, 1),
    (13, 3, "Vliestroom VS3", 53.320000, 5.145000, 0, 1),
    (14, 3, "Schuitengat SG1", 53.349167, 5.195833, 0, 1),
    (15, 3, "Texelstroom T8", 53.030000, 4.890000, 0, 1),
    (16, 3, "Molengat MG1", 53.040833, 4.665000, 0, 2),
    (17, 4, "Brandaris", 53.361667, 5.216111, 0, 1),
    (18, 4, "Lange Jaap", 52.959167, 4.725833, 0, 2),
    (19, 2, "Kroonpolders", 53.276667, 5.100000, 0, 5),
    (20, 2, "Slenk Terschelling", 53.338333, 5.255000, 0, 5),
    (21, 2, "Eierlandse Gat", 53.190000, 4.860000, 0, 5),
    (22, 5, "Waypoint Borndiep", 53.468333, 5.690000, 0, 1),
    (23, 1, "Esbjerg", 55.466667, 8.450000, 2, 3),
    (24, 1, "Hvide Sande", 56.000000, 8.125000, 2, 3),
    (25, 1, "Thyboroen", 56.700000, 8.216667, 2, 3),
    (26, 1, "Hirtshals", 57.595000, 9.965000, 2, 3),
    (27, 1, "Skagen", 57.718333, 10.590000, 2, 4),
    (28, 1, "Frederikshavn", 57.433333, 10.545000, 2, 4),
    (29, 1, "Saeby", 57.331667, 10.528333, 2, 6),
    (30, 1, "Anholt", 56.716667, 11.513333, 2, 4),
    (31, 1, "Grenaa", 56.410000, 10.926667, 2, 6),
    (32, 1, "Ebeltoft", 56.193333, 10.676667, 2, 4),
    (33, 1, "Aarhus", 56.150000, 10.223333, 3, 4),
    (34, 1, "Bonnerup", 56.525000, 10.711667, 3, 6),
    (35, 3, "Graadyb 1", 55.433333, 8.316667, 2, 3),
    (36, 3, "Hvide Sande Ansteuerung", 56.005000, 8.085000, 2, 3),
    (37, 3, "Skagen Rev", 57.775000, 10.716667, 2, 4),
    (38, 3, "Anholt Knob", 56.741667, 11.658333, 2, 4),
    (39, 3, "Hjelm Nord", 56.163333, 10.823333, 2, 4),
    (40, 4, "Skagen Fyr", 57.735833, 10.630278, 2, 4),
    (41, 4, "Anholt Fyr", 56.738056, 11.653333, 2, 4),
    (42, 4, "Blavandshuk Fyr", 55.557500, 8.083333, 4, 3),
    (43, 2, "Ankerplads Anholt Nord", 56.728333, 11.540000, 2, 5),
    (44, 2, "Ankerplads Ebeltoft Vig", 56.183333, 10.640000, 2, 5),
    (45, 2, "Ankerplads Hjelm", 56.145000, 10.810000, 2, 5),
    (46, 5, "Waypoint Laeso Rende", 57.250000, 10.800000, 0, 4),
    (47, 5, "Waypoint Kattegat Midt", 56.900000, 11.200000, 0, 4),
    (48, 6, "Havn Bork", 55.848333, 8.275000, 2, 3),
    (49, 3, "Noordpolderzijl baken", 53.433333, 6.583333, 0, 1),
    (50, 5, "Waypoint Amelander Gat", 53.468333, 5.600000, 0, 1),
    (51, 3, "Westgat WG1", 53.485000, 6.300000, 0, 1),
    (52, 2, "Ankerplek Schiermonnikoog", 53.470000, 6.160000, 0, 5),
]

ROUTES = [(1, "Wadden tour"), (2, "Kattegat crossing"), (3, "Wadden tour"), (4, "Unused route")]
ROUTE_POINTS = [  # Route, Waypoint, in sailing order
    (1, 1), (1, 12), (1, 13), (1, 3), (1, 14), (1, 2),
    (2, 31), (2, 39), (2, 47), (2, 30), (2, 46), (2, 28),
    (3, 2), (3, 22), (3, 50), (3, 6),
    (1, 2), (1, 14), (1, 1),  # the first Wadden tour goes on after route 3's rows
]

DATUMS = [  # Datum, Description, Ellipse, x, y, z
    (1, "WGS-84", 1, 0.0, 0.0, 0.0),
    (2, "European 1950", 2, -87.0, -98.0, -121.0),
    (3, "  European 1950 ", 2, -87.0, -98.0, -121.0),
    (4, "Ankrum local grid", 3, 565.04, 49.91, 465.84),
]

ELLIPSOIDS = [  # Ellipse, Majoraxis, Minoraxis
    (1, 6378137.0, 6356752.314245),
    (2, 6378388.0, 6356911.946128),
    (3, 6377397.155, 6356078.962818),
]

SECONDS_PER_STEP = 30

# Tracks: name, start (lat, lon), start time, legs of (course °, speed kn, minutes).
TRACKS = [
    (1, "Harlingen - Terschelling", (53.1760, 5.4050), (2009, 6, 14, 9, 30, 0),
     [(300, 5.5, 25), (330, 6.0, 40), (295, 6.5, 35), (350, 4.0, 20), (260, 3.0, 15)]),
    (2, "Terschelling - Den Helder", (53.3560, 5.2050), (2009, 6, 16, 7, 10, 0),
     [(250, 6.0, 30), (215, 6.5, 60), (200, 7.0, 45), (230, 5.0, 20)]),
    (3, "Esbjerg - Hvide Sande", (55.4650, 8.4300), (2009, 7, 21, 6, 0, 0),
     [(240, 5.0, 20), (290, 6.5, 30), (350, 7.5, 120), (10, 4.5, 60), (90, 3.0, 10)]),
    (4, "Grenaa - Anholt", (56.4080, 10.9400), (2009, 8, 2, 8, 45, 0),
     [(90, 5.0, 15), (45, 6.0, 60), (60, 7.0, 90), (20, 3.5, 25)]),
]


def day_count(y, mo, d, h, mi, s):
    days = (datetime_date(y, mo, d) - datetime_date(1899, 12, 30))
    return days + (h * 3600 + mi * 60 + s) / 86400.0


def datetime_date(y, m, d):
    import datetime
    return datetime.date(y, m, d).toordinal()


def date_text(day):
    import datetime
    whole = math.floor(day)
    seconds = round((day - whole) * 86400)
    t = datetime.datetime(1899, 12, 30) + datetime.timedelta(days=whole, seconds=seconds)
    return t.strftime("%Y-%m-%d %H:%M:%S")


def track_points(start, when, legs):
    """Dead reckoning with turns of 3° a second between legs."""
    lat, lon = start
    course = legs[0][0]
    day = day_count(*when)
    points = [(day, lat, lon)]
    for target, knots, minutes in legs:
        for _ in range(int(minutes * 60 / SECONDS_PER_STEP)):
            turn = (target - course + 540) % 360 - 180
            course = (course + max(-3 * SECONDS_PER_STEP, min(3 * SECONDS_PER_STEP, turn))) % 360
            nm = knots * SECONDS_PER_STEP / 3600.0
            lat += nm * math.cos(math.radians(course)) / 60.0
            lon += nm * math.sin(math.radians(course)) / (60.0 * math.cos(math.radians(lat)))
            day += SECONDS_PER_STEP / 86400.0
            points.append((day, lat, lon))
    return points


def track_rows():
    rows = []
    for key, _, start, when, legs in TRACKS:
        points = [[key, date_text(d), round(la, 6), round(lo, 6)] for d, la, lo in track_points(start, when, legs)]
        # Rows the converter must skip: no date, and a position on the equator.
        points.insert(5, [key, 0, points[5][2], points[5][3]])
        points.insert(9, [key, points[9][1], 0, points[9][3]])
        # A logger that wrote two points late: the import sorts by date.
        points[20], points[21] = points[21], points[20]
        rows.extend(points)
    return rows


def table(name, columns, rows):
    return {"name": name, "columns": [dict(zip(("name", "type", "length"), c)) if len(c) == 3 else
                                      {"name": c[0], "type": c[1]} for c in columns], "rows": [list(r) for r in rows]}


def description():
    return {"creationDate": day_count(2009, 4, 1, 10, 0, 0), "tables": [
        table("Waypoint types", [("Type", "long"), ("Description", "text", 50), ("Icon", "text", 255)], TYPES),
        table("Waypoint groups", [("Group", "long"), ("Description", "text", 50)], GROUPS),
        table("Waypoints", [("Waypoint", "long"), ("Type", "long"), ("Description", "text", 50),
                            ("Latitude", "double"), ("Longitude", "double"), ("Datum", "long"), ("Group", "long")],
              WAYPOINTS),
        table("Routes", [("Route", "long"), ("Description", "text", 50)], ROUTES),
        table("Route points", [("Route", "long"), ("Waypoint", "long")], ROUTE_POINTS),
        table("Tracks", [("Track", "long"), ("Description", "text", 50)], [(t[0], t[1]) for t in TRACKS]),
        table("Track data", [("Track", "long"), ("Date", "datetime"), ("Latitude", "double"), ("Longitude", "double")],
              track_rows()),
        table("Datums", [("Datum", "long"), ("Description", "text", 50), ("Ellipse", "long"), ("x", "double"),
                         ("y", "double"), ("z", "double")], DATUMS),
        table("Ellipsoids", [("Ellipse", "long"), ("Majoraxis", "double"), ("Minoraxis", "double")], ELLIPSOIDS),
        table("System", [("GPS datum", "long")], [(1,)]),
    ]}


def write_json(path, doc):
    """One row a line, so the file reads as a table."""
    out = ['{', '  "creationDate": %s,' % json.dumps(doc["creationDate"]), '  "tables": [']
    for ti, t in enumerate(doc["tables"]):
        out.append('    { "name": %s,' % json.dumps(t["name"]))
        out.append('      "columns": [ %s ],' % ", ".join(json.dumps(c) for c in t["columns"]))
        out.append('      "rows": [')
        out.append(",\n".join('        ' + json.dumps(r, ensure_ascii=False) for r in t["rows"]))
        out.append('      ] }' + (',' if ti + 1 < len(doc["tables"]) else ''))
    out += ['  ]', '}', '']
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


def ico(entries):
    """An icon file of DIB entries (width, height, bits, palette, pixel(x, y) -> index or BGR, mask(x, y))."""
    images = []
    for w, h, bits, palette, pixel, mask in entries:
        rows = b""
        row_bytes = ((w * bits + 31) // 32) * 4
        for y in reversed(range(h)):
            row = bytearray(row_bytes)
            for x in range(w):
                if bits == 8:
                    row[x] = pixel(x, y)
                else:
                    row[x * 3:x * 3 + 3] = bytes(pixel(x, y))
            rows += bytes(row)
        mask_bytes = ((w + 31) // 32) * 4
        masks = b""
        for y in reversed(range(h)):
            row = bytearray(mask_bytes)
            for x in range(w):
                if mask(x, y):
                    row[x // 8] |= 0x80 >> (x % 8)
            masks += bytes(row)
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
        pal = b"".join(bytes(c) + b"\0" for c in palette)
        images.append((w, h, bits, header + pal + rows + masks))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, bits, img in images:
        data += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(img), offset)
        offset += len(img)
    return data + b"".join(img for *_, img in images)


def inside_circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def write_icons():
    folder = os.path.join(HERE, "Icons")
    os.makedirs(folder, exist_ok=True)
    # Harbour: a blue square with a white quay, in two sizes.
    def harbour(size):
        def px(x, y):
            if y > size * 0.6 and x > size * 0.2:
                return (255, 255, 255)
            return (160, 80, 0)
        return (size, size, 24, [], px, lambda x, y: False)
    # Anchor: a dark anchor on a transparent ground, 8 bits.
    def anchor_pixel(x, y):
        shaft = 14 <= x <= 17 and 4 <= y <= 26
        bar = 8 <= x <= 23 and 8 <= y <= 10
        arc = 20 <= y <= 27 and abs(((x - 15.5) ** 2 + (y - 16) ** 2) ** 0.5 - 10) < 1.6
        return 1 if shaft or bar or arc else 0
    anchor = (32, 32, 8, [(0, 0, 0), (60, 30, 20)], anchor_pixel, lambda x, y: anchor_pixel(x, y) == 0)
    # Lighthouse: a red and white tower with a yellow light.
    def tower(x, y):
        if 4 <= y <= 9 and 11 <= x <= 20:
            return (0, 220, 255)
        if 10 <= y <= 29 and 12 - (y - 10) // 6 <= x <= 19 + (y - 10) // 6:
            return (0, 0, 200) if (y // 5) % 2 == 0 else (255, 255, 255)
        return (0, 0, 0)
    lighthouse = (32, 32, 24, [], tower, lambda x, y: tower(x, y) == (0, 0, 0))
    with open(os.path.join(folder, "harbour.ico"), "wb") as f:
        f.write(ico([harbour(16), harbour(32)]))
    with open(os.path.join(folder, "anchor.ico"), "wb") as f:
        f.write(ico([anchor]))
    with open(os.path.join(folder, "lighthouse.ico"), "wb") as f:
        f.write(ico([lighthouse]))


if __name__ == "__main__":
    write_json(os.path.join(HERE, "gps.json"), description())
    write_icons()
