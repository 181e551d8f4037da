#!/usr/bin/env python3
"""Independent reference for the colorimetric methods 1 and 2: the known panel of
computation_test.cpp worked through the published formulas in plain Python floats.
Prints the expected ramp entries (every 17th level of each channel) as C++ initialisers."""
import math

BRADFORD = [[0.8951, 0.2664, -0.1614], [-0.7502, 1.7135, 0.0367], [0.0389, -0.0685, 1.0296]]
D50 = (0.9642, 1.0, 0.8249)
D65 = (0.9505, 1.0, 1.089)


def mat_vec(m, v):
    return tuple(sum(m[r][k] * v[k] for k in range(3)) for r in range(3))


def mat_mul(a, b):
    return [[sum(a[r][k] * b[k][c] for k in range(3)) for c in range(3)] for r in range(3)]


def inverse(m):
    # Gauss-Jordan elimination with partial pivoting (a different route from cofactors).
    a = [list(m[r]) + [1.0 if r == c else 0.0 for c in range(3)] for r in range(3)]
    for col in range(3):
        pivot = max(range(col, 3), key=lambda r: abs(a[r][col]))
        a[col], a[pivot] = a[pivot], a[col]
        p = a[col][col]
        a[col] = [x / p for x in a[col]]
        for r in range(3):
            if r != col:
                f = a[r][col]
                a[r] = [x - f * y for x, y in zip(a[r], a[col])]
    return [row[3:] for row in a]


def columns(red, green, blue):
    return [[red[r], green[r], blue[r]] for r in range(3)]


def daylight(t):
    c = 1000.0 / t
    if t <= 7000:
        x = -4.607 * c**3 + 2.9678 * c**2 + 0.09911 * c + 0.244063
    else:
        x = -2.0064 * c**3 + 1.9018 * c**2 + 0.24748 * c + 0.23704
    y = -3 * x * x + 2.87 * x - 0.275
    return (x / y, 1.0, (1 - x - y) / y)


def bradford(src, dst):
    s = mat_vec(BRADFORD, src)
    d = mat_vec(BRADFORD, dst)
    diag = [[d[0] / s[0], 0, 0], [0, d[1] / s[1], 0], [0, 0, d[2] / s[2]]]
    return mat_mul(inverse(BRADFORD), mat_mul(diag, BRADFORD))


def lab_f(t):
    return t ** (1.0 / 3.0) if t > 0.008856451586 else 7.787036979 * t + 16.0 / 116.0


def lab_f_inv(f):
    return f**3 if f > 6.0 / 29.0 else (f - 16.0 / 116.0) / 7.787036979


def xyz_to_lab(xyz, w):
    fx, fy, fz = (lab_f(xyz[i] / w[i]) for i in range(3))
    return (116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz))


def lab_to_xyz(lab, w):
    fy = (lab[0] + 16) / 116
    fx = fy + lab[1] / 500
    fz = fy - lab[2] / 200
    return (w[0] * lab_f_inv(fx), w[1] * lab_f_inv(fy), w[2] * lab_f_inv(fz))


# The known panel and tone of computation_test.cpp.
PANEL_RED, PANEL_GREEN, PANEL_BLUE = (0.4360, 0.2225, 0.0139), (0.3851, 0.7169, 0.0971), (0.1431, 0.0606, 0.7141)
PANEL_WHITE = (0.9642, 1.0, 0.8251)
TONE_RED, TONE_GREEN, TONE_BLUE = (0.48, 0.25, 0.02), (0.33, 0.68, 0.09), (0.15, 0.07, 0.78)
TONE_WHITE = (0.95, 1.0, 1.05)
PANEL = [[k * 257.0 for k in range(256)] for _ in range(3)]
TONE = [[(i / 255.0) ** g for i in range(256)] for g in (2.2, 2.0, 2.4)]


def work_colours(method, kelvin):
    tp_inv = inverse(columns(PANEL_RED, PANEL_GREEN, PANEL_BLUE))
    tt = columns(TONE_RED, TONE_GREEN, TONE_BLUE)
    wc = daylight(kelvin)
    a = bradford(D50, wc)
    out = [[0.0] * 256 for _ in range(3)]
    for i in range(256):
        xyz = mat_vec(tt, (TONE[0][i], TONE[1][i], TONE[2][i]))
        if method == 1:
            k = mat_vec(a, TONE_WHITE)[1] / PANEL_WHITE[1]
            rgb = mat_vec(tp_inv, tuple(k * v for v in mat_vec(a, xyz)))
        else:
            k = mat_vec(a, TONE_WHITE)[1] / mat_vec(a, PANEL_WHITE)[1]
            adapted = lab_to_xyz(xyz_to_lab(xyz, D50), wc)
            rgb = mat_vec(tp_inv, tuple(k * v for v in adapted))
        for c in range(3):
            out[c][i] = 0.0 if rgb[c] <= 0 else rgb[c] * 65535.0
    return out


def value_gamma(work, strength, gamma_v):
    for i in range(256):
        m = max(work[c][i] for c in range(3)) / 65535.0 + 65537.0 / 2**32
        factor = (m**gamma_v / m) * strength + (1 - strength)
        for c in range(3):
            work[c][i] *= factor


def invert(w, p):
    ramp = []
    i = 0
    for j in range(256):
        x = min(max(w[j], p[0]), p[255])
        while i < 255 and x >= p[i + 1]:
            i += 1
        if x <= p[i]:
            ramp.append(i * 257)
        elif i == 255:
            ramp.append(65535)
        else:
            ramp.append(int((i + (x - p[i]) / (p[i + 1] - p[i])) * 257 + 0.5))
    k = next((n for n in range(1, 256) if ramp[n] != ramp[0]), 255)
    for n in range(1, k):
        ramp[n] = ramp[0] + ((ramp[k] - ramp[0]) * n) // k
    return ramp


def tanh_curve(channel, level, strength):
    k = 1 + 0.15 * level
    n = math.tanh(k * (channel[255] - 32767.5) / 32767.5)
    out = []
    for x in channel:
        v = (x - 32767.5) / 32767.5
        w = min(max(math.tanh(k * v) / n, -1.0), 1.0)
        out.append(int((w * strength + v * (1 - strength)) * 32767.5 + 32767.5))
    return out


def ramp(method, kelvin, strength, gamma_v, level):
    work = work_colours(method, kelvin)
    value_gamma(work, strength, gamma_v)
    for c in range(3):
        if work[c][255] > 65535:
            work[c] = [v * 65535 / work[c][255] for v in work[c]]
    result = [invert(work[c], PANEL[c]) for c in range(3)]
    return [tanh_curve(result[c], level, strength) for c in range(3)]


CASES = [("kBradford6500Plain", 1, 6500, 0.0, 1.0, 1), ("kBradford9000Curved", 1, 9000, 0.6, 1.5, 4),
         ("kLabWhite5000Plain", 2, 5000, 0.0, 1.0, 1), ("kLabWhite7500Curved", 2, 7500, 1.0, 0.8, 7)]
for name, method, kelvin, strength, gamma_v, level in CASES:
    r = ramp(method, kelvin, strength, gamma_v, level)
    rows = ",\n    ".join("{" + ", ".join(str(r[c][i]) for i in range(0, 256, 17)) + "}" for c in range(3))
    print(f"// method {method}, {kelvin} K, strength {strength}, gamma V {gamma_v}, level {level}")
    print(f"constexpr SampledRamp {name}{{{{\n    {rows}}}}};")
