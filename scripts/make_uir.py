#!/usr/bin/env python3
"""Writes resources/V-AVA-VEVedadV306.uir, the panel resource file of the tool.

The file is Qt Designer XML as described in resources/FORMAT.md: one root widget
"resources" holding the panels, every control with absolute geometry and an integer
`ctrlId`, labels as separate QLabel widgets with `labelFor`.  The layout is kept here in
one place so that it can be changed without a form editor:

    python3 scripts/make_uir.py            # rewrites resources/V-AVA-VEVedadV306.uir

Unnumbered QGroupBox widgets are plain decoration frames; they come first in each panel
so that the controls are drawn above them.  The help-text boxes come last on the main
panel so that they are drawn above everything else of that panel.
"""

import os
import sys
from xml.sax.saxutils import escape

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources",
                   "V-AVA-VEVedadV306.uir")

INFO_BLUE = (0x00, 0x80, 0xFF)
HELP_YELLOW = (0xFF, 0xFF, 0xE1)

# ------------------------------------------------------------------ XML helpers


def p_number(name, v, stdset=True):
    return (name, "number", v, stdset)


def p_double(name, v, stdset=True):
    return (name, "double", v, stdset)


def p_bool(name, v, stdset=True):
    return (name, "bool", v, stdset)


def p_string(name, v, stdset=True):
    return (name, "string", v, stdset)


def p_enum(name, v):
    return (name, "enum", v, True)


def p_set(name, v):
    return (name, "set", v, True)


def p_font(pointsize=None, bold=None, family=None):
    return ("font", "font", (pointsize, bold, family), True)


def p_palette(role, rgb):
    return ("palette", "palette", (role, rgb), True)


def prop_xml(prop, ind):
    name, kind, v, stdset = prop
    attr = '' if stdset else ' stdset="0"'
    pad = " " * ind
    if kind == "number":
        body = "<number>%d</number>" % v
    elif kind == "double":
        body = "<double>%s</double>" % repr(float(v))
    elif kind == "bool":
        body = "<bool>%s</bool>" % ("true" if v else "false")
    elif kind == "string":
        body = "<string>%s</string>" % escape(v)
    elif kind == "enum":
        body = "<enum>%s</enum>" % v
    elif kind == "set":
        body = "<set>%s</set>" % v
    elif kind == "font":
        size, bold, family = v
        parts = []
        if family:
            parts.append("<family>%s</family>" % escape(family))
        if size:
            parts.append("<pointsize>%d</pointsize>" % size)
        if bold is not None:
            parts.append("<bold>%s</bold>" % ("true" if bold else "false"))
        body = "<font>%s</font>" % "".join(parts)
    elif kind == "palette":
        role, (r, g, b) = v
        brush = ('<colorrole role="%s"><brush brushstyle="SolidPattern"><color alpha="255">'
                 '<red>%d</red><green>%d</green><blue>%d</blue></color></brush></colorrole>'
                 % (role, r, g, b))
        body = ("<palette><active>%s</active><inactive>%s</inactive><disabled>%s</disabled>"
                "</palette>" % (brush, brush, brush))
    else:
        raise ValueError(kind)
    return '%s<property name="%s"%s>%s</property>\n' % (pad, name, attr, body)


class W:
    """One widget of a panel."""

    def __init__(self, cls, name, geom, props=(), items=None, columns=None, attrs=()):
        self.cls = cls
        self.name = name
        self.geom = geom
        self.props = list(props)
        self.items = items or []
        self.columns = columns or []
        self.attrs = list(attrs)

    def xml(self, ind):
        pad = " " * ind
        x, y, w, h = self.geom
        s = '%s<widget class="%s" name="%s">\n' % (pad, self.cls, self.name)
        s += ('%s <property name="geometry"><rect><x>%d</x><y>%d</y><width>%d</width>'
              '<height>%d</height></rect></property>\n' % (pad, x, y, w, h))
        for p in self.props:
            s += prop_xml(p, ind + 1)
        for name, kind, v in self.attrs:
            s += '%s <attribute name="%s"><%s>%s</%s></attribute>\n' % (pad, name, kind, v, kind)
        for text in self.columns:
            s += '%s <column><property name="text"><string>%s</string></property></column>\n' % (
                pad, escape(text))
        for text in self.items:
            s += '%s <item><property name="text"><string>%s</string></property></item>\n' % (
                pad, escape(text))
        s += "%s</widget>\n" % pad
        return s


class Panel:

    def __init__(self, pid, name, title, w, h, pos=(0, 0)):
        self.pid, self.name, self.title, self.w, self.h = pid, name, title, w, h
        self.pos = pos
        self.widgets = []
        self.names = set()

    def add(self, widget):
        assert widget.name not in self.names, widget.name
        x, y, w, h = widget.geom
        assert x >= 0 and y >= 0 and x + w <= self.w and y + h <= self.h, (self.name,
                                                                           widget.name)
        self.names.add(widget.name)
        self.widgets.append(widget)
        return widget

    def xml(self, ind):
        pad = " " * ind
        s = '%s<widget class="QWidget" name="%s">\n' % (pad, self.name)
        s += ('%s <property name="geometry"><rect><x>%d</x><y>%d</y><width>%d</width>'
              '<height>%d</height></rect></property>\n' % (pad, self.pos[0], self.pos[1], self.w,
                                                          self.h))
        s += prop_xml(p_string("windowTitle", self.title), ind + 1)
        s += prop_xml(p_number("panelId", self.pid, False), ind + 1)
        for w in self.widgets:
            s += w.xml(ind + 1)
        s += "%s</widget>\n" % pad
        return s


# ------------------------------------------------------------------ control builders

LABEL_H = 18
FIELD_H = 26
BUTTON_H = 30


def cid(n):
    return p_number("ctrlId", n, False)


def label(panel, ctrl, text, geom, bold=False, align=None):
    props = [p_string("text", text), p_number("labelFor", ctrl, False)]
    if bold:
        props.append(p_font(bold=True))
    if align:
        props.append(p_set("alignment", align))
    return panel.add(W("QLabel", "%s_lbl%d" % (panel.name, ctrl), geom, props))


def group(panel, name, title, geom):
    return panel.add(W("QGroupBox", "%s_grp%s" % (panel.name, name), geom,
                       [p_string("title", title), p_font(bold=True)]))


def caption(panel, name, text, geom, align=None):
    props = [p_string("text", text)]
    if align:
        props.append(p_set("alignment", align))
    return panel.add(W("QLabel", "%s_txt%s" % (panel.name, name), geom, props))


def command(panel, ctrl, name, text, geom, visible=True, bold=False):
    props = [cid(ctrl), p_string("text", text)]
    if bold:
        props.append(p_font(bold=True))
    if not visible:
        props.append(p_bool("visible", False))
    return panel.add(W("QPushButton", "%s_btn%s" % (panel.name, name), geom, props))


def toggle(panel, ctrl, name, text, geom, checked=False):
    return panel.add(W("QPushButton", "%s_tgl%s" % (panel.name, name), geom,
                       [cid(ctrl), p_string("text", text), p_bool("checkable", True),
                        p_bool("checked", checked)]))


def radio(panel, ctrl, name, text, geom, checked=False):
    return panel.add(W("QRadioButton", "%s_rad%s" % (panel.name, name), geom,
                       [cid(ctrl), p_string("text", text), p_bool("autoExclusive", False),
                        p_bool("checked", checked)]))


def switch(panel, ctrl, name, text, geom, checked=False):
    return panel.add(W("QCheckBox", "%s_sw%s" % (panel.name, name), geom,
                       [cid(ctrl), p_string("text", text), p_bool("checked", checked)]))


def numeric(panel, ctrl, name, geom, lo, hi, value=0, indicator=False, enabled=True,
            visible=True, bold=False):
    props = [cid(ctrl), p_number("minimum", lo), p_number("maximum", hi),
             p_number("value", value), p_set("alignment", "Qt::AlignRight|Qt::AlignVCenter")]
    if indicator:
        props += [p_bool("readOnly", True), p_enum("buttonSymbols", "QAbstractSpinBox::NoButtons"),
                  p_enum("focusPolicy", "Qt::NoFocus")]
    else:
        props.append(p_bool("keyboardTracking", False))
    if bold:
        props.append(p_font(bold=True))
    if not enabled:
        props.append(p_bool("enabled", False))
    if not visible:
        props.append(p_bool("visible", False))
    return panel.add(W("QSpinBox", "%s_num%s" % (panel.name, name), geom, props))


def fnumeric(panel, ctrl, name, geom, lo, hi, decimals, value=0.0, step=1.0, indicator=False,
             bold=False):
    props = [cid(ctrl), p_number("decimals", decimals), p_double("minimum", lo),
             p_double("maximum", hi), p_double("singleStep", step), p_double("value", value),
             p_set("alignment", "Qt::AlignRight|Qt::AlignVCenter")]
    if indicator:
        props += [p_bool("readOnly", True), p_enum("buttonSymbols", "QAbstractSpinBox::NoButtons"),
                  p_enum("focusPolicy", "Qt::NoFocus")]
    else:
        props.append(p_bool("keyboardTracking", False))
    if bold:
        props.append(p_font(bold=True))
    return panel.add(W("QDoubleSpinBox", "%s_dbl%s" % (panel.name, name), geom, props))


def ring(panel, ctrl, name, geom, items, value):
    """items: list of (label, value)."""
    labels = [t for t, _ in items]
    values = [v for _, v in items]
    index = values.index(value)
    props = [cid(ctrl), p_number("currentIndex", index)]
    if values != list(range(len(values))):
        props.append(p_string("itemValues", ",".join(str(v) for v in values), False))
    return panel.add(W("QComboBox", "%s_ring%s" % (panel.name, name), geom, props, labels))


def slider(panel, ctrl, name, geom, lo, hi, value, tick, page):
    return panel.add(W("QSlider", "%s_sld%s" % (panel.name, name), geom,
                       [cid(ctrl), p_number("minimum", lo), p_number("maximum", hi),
                        p_number("value", value), p_number("singleStep", 1),
                        p_number("pageStep", page), p_enum("orientation", "Qt::Horizontal"),
                        p_enum("tickPosition", "QSlider::TicksBelow"),
                        p_number("tickInterval", tick)]))


def string_ind(panel, ctrl, name, geom, text="", enabled=True):
    props = [cid(ctrl), p_string("text", text), p_bool("readOnly", True),
             p_enum("focusPolicy", "Qt::NoFocus")]
    if not enabled:
        props.append(p_bool("enabled", False))
    return panel.add(W("QLineEdit", "%s_str%s" % (panel.name, name), geom, props))


def textbox(panel, ctrl, name, geom, text="", extra=()):
    props = [cid(ctrl), p_string("plainText", text), p_bool("readOnly", True),
             p_enum("verticalScrollBarPolicy", "Qt::ScrollBarAlwaysOff"),
             p_enum("horizontalScrollBarPolicy", "Qt::ScrollBarAlwaysOff")]
    props += list(extra)
    return panel.add(W("QPlainTextEdit", "%s_txb%s" % (panel.name, name), geom, props))


def graph(panel, ctrl, name, geom, xmin, xmax, ymin, ymax, xlabel="", ylabel="", cursors=0,
          strip=False, traces=0, points=0, visible=True, ytick_labels=True):
    props = [cid(ctrl), p_double("xMin", xmin, False), p_double("xMax", xmax, False),
             p_double("yMin", ymin, False), p_double("yMax", ymax, False)]
    if xlabel:
        props.append(p_string("xLabel", xlabel, False))
    if ylabel:
        props.append(p_string("yLabel", ylabel, False))
    if cursors:
        props.append(p_number("cursors", cursors, False))
    if not ytick_labels:
        props.append(p_bool("yTickLabels", False, False))
    if strip:
        props += [p_bool("stripChart", True, False), p_number("traces", traces, False),
                  p_number("pointsPerScreen", points, False)]
    if not visible:
        props.append(p_bool("visible", False))
    return panel.add(W("QCustomPlot", "%s_graph%s" % (panel.name, name), geom, props))


def table(panel, ctrl, name, geom, columns, widths, row_h):
    """A read-only table; the program fills its rows. widths: pixels of each column."""
    props = [cid(ctrl), p_string("columnWidths", ",".join(str(w) for w in widths), False),
             p_enum("editTriggers", "QAbstractItemView::NoEditTriggers"),
             p_enum("selectionMode", "QAbstractItemView::NoSelection"),
             p_enum("focusPolicy", "Qt::NoFocus"),
             p_enum("horizontalScrollBarPolicy", "Qt::ScrollBarAlwaysOff")]
    attrs = [("verticalHeaderVisible", "bool", "false"),
             ("verticalHeaderDefaultSectionSize", "number", row_h),
             ("verticalHeaderMinimumSectionSize", "number", row_h),
             ("horizontalHeaderStretchLastSection", "bool", "true")]
    return panel.add(W("QTableWidget", "%s_tbl%s" % (panel.name, name), geom, props,
                       columns=columns, attrs=attrs))


def labelled_above(panel, ctrl, text, x, y, w, bold=False):
    """A label above a control: returns the y of the control."""
    label(panel, ctrl, text, (x, y, w, LABEL_H), bold=bold)
    return y + LABEL_H


# ------------------------------------------------------------------ parameter pages
#
# The pages are child panels: they are drawn above every control of the main panel, the
# help-text boxes included. A right click on a page control opens its help box at a fixed
# offset right of the control (20 px for most, 25, 30, 120 or 135 px for some), so the
# controls end near the right edge of the page (CTRL_RIGHT) and the box opens beside the
# page, over the graphs, instead of under the page.

PAGE_W, PAGE_H = 440, 330
LBL_X, LBL_W = 16, 200
CTRL_RIGHT = PAGE_W - 16
CTRL_W = 200
CTRL_X = CTRL_RIGHT - CTRL_W
LEFT_ALIGN = "Qt::AlignLeft|Qt::AlignVCenter"


def row_label(panel, ctrl, text, y):
    label(panel, ctrl, text, (LBL_X, y, LBL_W, FIELD_H), align=LEFT_ALIGN)


def make_para1():
    p = Panel(3, "para1", "Parameter 1", PAGE_W, PAGE_H)
    group(p, "Frame", "SENSOR PARAMETERS  -  PAGE 1", (0, 0, PAGE_W, PAGE_H))
    rows = [30 + i * 29 for i in range(10)]

    def ring_row(i, ctrl, text, name, items, value):
        row_label(p, ctrl, text, rows[i])
        ring(p, ctrl, name, (CTRL_X, rows[i], CTRL_W, FIELD_H), items, value)

    def num_row(i, ctrl, text, name, value):
        row_label(p, ctrl, text, rows[i])
        numeric(p, ctrl, name, (CTRL_X, rows[i], CTRL_W, FIELD_H), 0, 65535, value)

    ring_row(0, 4, "EVALUATION-MODE", "EvalMode",
             [("LEFT-EDGE", 0), ("RIGHT-EDGE", 1), ("WIDTH", 2), ("CENTER", 3),
              ("EDGE-COUNT", 4)], 1)
    num_row(1, 6, "TOLERANCE", "Tolerance", 100)
    num_row(2, 12, "TOLERANCE-UP", "ToleranceUp", 100)
    ring_row(3, 10, "AVERAGE", "Average",
             [(str(v), v) for v in (1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024)], 1)
    ring_row(4, 20, "HOLD [ms]", "Hold",
             [("OFF", 0)] + [("%d ms" % v, v) for v in (10, 20, 50, 100, 200, 500, 1000)], 0)
    ring_row(5, 7, "TRIGGER-MODE", "TrigMode",
             [("CONTINUOUS", 0), ("EXT. TRIGGER IN0", 1), ("EXT. GATE IN0", 2)], 0)
    ring_row(6, 8, "HARDWARE OPERATION-MODE", "HwMode",
             [("BUTTON + POTI OFF", 0), ("POTI ON", 1), ("BUTTON ON", 2),
              ("BUTTON + POTI ON", 3)], 1)
    ring_row(7, 9, "POLARITY", "Polarity", [("ACTIVE LOW (0V)", 0), ("ACTIVE HIGH (+24V)", 1)], 1)
    ring_row(8, 11, "ANALOG-OUT", "AnaMode",
             [("DIRECT 10V", 0), ("DIRECT 5V", 1), ("MAX-HOLD", 2), ("MIN-HOLD", 3),
              ("MAX-MIN", 4), ("DIRECT 4-20mA", 5), ("DIRECT 0-20mA", 6), ("OFF", 7)], 0)
    row_label(p, 5, "OPTION-5", rows[9])
    switch(p, 5, "Option5", "ON", (CTRL_X, rows[9], CTRL_W, FIELD_H), False)
    return p


def make_para2():
    p = Panel(4, "para2", "Parameter 2", PAGE_W, PAGE_H)
    group(p, "Frame", "SENSOR PARAMETERS  -  PAGE 2", (0, 0, PAGE_W, PAGE_H))
    sl_x, sl_w = LBL_X, CTRL_RIGHT - LBL_X

    def slider_block(y, ctrl, text, name, lo, hi, value, tick, marks):
        label(p, ctrl, text, (sl_x, y, LBL_W, LABEL_H))
        slider(p, ctrl, name, (sl_x, y + LABEL_H, sl_w, FIELD_H), lo, hi, value, tick, tick)
        sy = y + LABEL_H + FIELD_H
        caption(p, name + "Lo", marks[0], (sl_x, sy, 50, 16))
        caption(p, name + "Mid", marks[1], (sl_x + sl_w // 2 - 25, sy, 50, 16), "Qt::AlignHCenter")
        caption(p, name + "Hi", marks[2], (sl_x + sl_w - 50, sy, 50, 16), "Qt::AlignRight")
        return sy + 16

    y = slider_block(30, 2, "POWER", "Power", 0, 1000, 500, 100, ("0", "500", "1000"))
    y += 8
    row_label(p, 4, "POWER-MODE", y)
    ring(p, 4, "PowerMode", (CTRL_X, y, CTRL_W, FIELD_H), [("CONSTANT", 0), ("DYNAMIC", 1)], 1)
    y += FIELD_H + 22
    # The sensor keeps thresholds from 10 to 950: the slider shows and keeps each of them
    # (ten tick intervals of 94, one on each mark).
    y = slider_block(y, 3, "VIDEO-THRESHOLD [%]", "Threshold", 10, 950, 40, 94,
                     ("10", "480", "950"))
    y += 22
    row_label(p, 5, "SET-POINT [pixel]", y)
    numeric(p, 5, "SetPoint", (CTRL_X, y, 110, FIELD_H), 0, 65535, 512)
    # Its help box opens 80 px right of the button's left edge: the button sits at the
    # right edge of the page.
    command(p, 6, "Teach", "TEACH", (PAGE_W - 80, y - 2, CTRL_RIGHT - (PAGE_W - 80), BUTTON_H),
            bold=True)
    return p


def make_calib():
    p = Panel(1, "calib", "Calibration", PAGE_W, PAGE_H)
    group(p, "Frame", "CALIBRATION", (0, 0, PAGE_W, PAGE_H))
    y = 30
    row_label(p, 4, "SLOPE [µm/pixel]", y)
    # Up to the largest slope of the 32-bit word in any layout: (2^32 - 1) / 1024, which
    # single precision rounds to 4194304.
    fnumeric(p, 4, "Slope", (CTRL_X, y, CTRL_W, FIELD_H), 0.0, 4194304.0, 5, 1.0, 0.001)
    y += 32
    row_label(p, 5, "OFFSET [µm]", y)
    numeric(p, 5, "Offset", (CTRL_X, y, CTRL_W, FIELD_H), -2147483648, 2147483647, 30000)
    y += 32
    row_label(p, 3, "OPERATION-MODE", y)
    switch(p, 3, "OpMode", "HIGH-GAIN AMPLIFIER", (CTRL_X, y, CTRL_W, FIELD_H), False)
    y += FIELD_H + 16
    label(p, 9, "SENSOR-INFORMATION", (LBL_X, y, 300, LABEL_H))
    y += LABEL_H
    textbox(p, 9, "Info", (LBL_X, y, CTRL_RIGHT - LBL_X, 80), "\n\n\n",
            [p_enum("lineWrapMode", "QPlainTextEdit::NoWrap"),
             p_enum("focusPolicy", "Qt::NoFocus")])
    y += 80 + 16
    caption(p, "XFlash", "X-FLASH (LINEARISATION TABLE)", (LBL_X, y, 300, LABEL_H))
    y += LABEL_H + 2
    bw = (CTRL_RIGHT - LBL_X - 12) // 2
    command(p, 12, "XFlashRead", "READ X-FLASH", (LBL_X, y, bw, BUTTON_H))
    command(p, 11, "XFlashWrite", "WRITE X-FLASH", (CTRL_RIGHT - bw, y, bw, BUTTON_H),
            visible=False)
    return p


# ------------------------------------------------------------------ main panel
#
# The help-text boxes (330 x 150) open beside the control that was right-clicked, at
# offsets fixed by the program (e.g. 10 px right of a button and 10 px above its top).
# Controls with such help therefore sit where the box still fits on the panel: buttons
# with their top at most 580 and their right edge at most 660.

MAIN_W, MAIN_H = 1010, 720
PAGE_LEFT, PAGE_TOP = 8, 105
RIGHT_X = 460
RIGHT_W = MAIN_W - 8 - RIGHT_X
GRAPH_H = 270
BAR_H = 100


def make_main():
    p = Panel(2, "main", "Q-ROX-MX-Raror  Version 3.06", MAIN_W, MAIN_H)
    left_w = PAGE_W
    half = (left_w - 10) // 2
    g_top = 483
    g_h = 134
    port_top = g_top + g_h + 8
    values_top = 559
    # Decoration frames first (drawn below the controls).
    group(p, "Measure", "MEASUREMENT", (PAGE_LEFT, g_top, half, g_h))
    group(p, "Transfer", "PARAMETER SET", (PAGE_LEFT + half + 10, g_top, half, g_h))
    group(p, "Port", "INTERFACE", (PAGE_LEFT, port_top, left_w, 680 - port_top))
    group(p, "Values", "MEASUREMENT VALUES", (RIGHT_X, values_top, RIGHT_W, 680 - values_top))

    # Information field across the top; the texts are created at start-up.
    p.add(W("QFrame", "main_frmInfo", (0, 0, MAIN_W, 95),
            [cid(32), p_bool("autoFillBackground", True), p_palette("Window", INFO_BLUE),
             p_enum("frameShape", "QFrame::NoFrame")]))
    p.add(W("QLabel", "main_picLogo", (300, 10, 160, 24),
            [cid(36), p_bool("picture", True, False), p_string("text", ""),
             p_set("alignment", "Qt::AlignLeft|Qt::AlignTop")]))

    # The service report, at the right end of the information area, clear of its texts.
    command(p, 47, "Report", "REPORT", (MAIN_W - 8 - 110, 57, 110, BUTTON_H))

    # Page toggles below the page area, like tabs; the recorder toggle at their end.
    tw = 100
    toggle(p, 11, "Para1", "PARA-1", (PAGE_LEFT, 443, tw, BUTTON_H), True)
    toggle(p, 12, "Para2", "PARA-2", (PAGE_LEFT + tw + 4, 443, tw, BUTTON_H))
    toggle(p, 13, "Calib", "CALIB", (PAGE_LEFT + 2 * (tw + 4), 443, tw, BUTTON_H))
    rec_x = PAGE_LEFT + 3 * (tw + 4) + 10
    toggle(p, 17, "Recorder", "RECORDER", (rec_x, 443, PAGE_LEFT + left_w - rec_x, BUTTON_H))

    # Measurement commands.
    gx = PAGE_LEFT + 12
    bw = (half - 24 - 8) // 2
    command(p, 4, "Run", "RUN", (gx, g_top + 26, bw, 40), bold=True)
    command(p, 5, "Video", "VIDEO", (gx + bw + 8, g_top + 26, bw, 40), bold=True)
    command(p, 3, "Stop", "STOP", (gx, g_top + 80, 2 * bw + 8, 40), bold=True)

    # Parameter transfer: source/destination and GET/SEND.
    tx = PAGE_LEFT + half + 10 + 12
    radio(p, 8, "Ram", "RAM", (tx, g_top + 22, 90, 24), True)
    radio(p, 9, "Eeprom", "EEPROM", (tx, g_top + 46, 90, 24))
    radio(p, 10, "File", "FILE", (tx, g_top + 70, 90, 24))
    command(p, 7, "Get", "GET", (tx + 96, g_top + 24, half - 24 - 96, 32), bold=True)
    command(p, 6, "Send", "SEND", (tx + 96, g_top + 62, half - 24 - 96, 32), bold=True)
    # Read-back after SEND (off at start) and the side-by-side view of RAM, EEPROM and file.
    switch(p, 43, "Verify", "VERIFY", (tx, g_top + 100, 90, 26), False)
    command(p, 42, "Compare", "COMPARE", (tx + 96, g_top + 98, half - 24 - 96, 30))

    # Serial port.
    py = port_top + 22
    label(p, 23, "SERIAL PORT", (gx, py, 96, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
    p.add(W("QComboBox", "main_ringComPort", (gx + 100, py, 300, FIELD_H), [cid(23)]))

    # Large graphs (same place), bar graph below them.
    graph(p, 34, "Video", (RIGHT_X, PAGE_TOP, RIGHT_W, GRAPH_H), 1.0, 4096.0, 0.0, 255.0,
          "PIXEL", "INTENSITY")
    graph(p, 38, "Roll", (RIGHT_X, PAGE_TOP, RIGHT_W, GRAPH_H), 0.0, 100.0, 0.0, 4096.0,
          "FRAME", "PIXEL", strip=True, traces=6, points=101, visible=False)
    bar_top = PAGE_TOP + GRAPH_H + 6
    graph(p, 35, "Bar", (RIGHT_X, bar_top, RIGHT_W, BAR_H), 1.0, 4096.0, 0.0, 1.0, cursors=3,
          ytick_labels=False)

    # Evaluation window under the bar graph, zoom switch beside E-END.
    ey = bar_top + BAR_H + 6
    label(p, 14, "E-BEG", (RIGHT_X, ey, 48, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
    numeric(p, 14, "EBeg", (RIGHT_X + 50, ey, 84, FIELD_H), 0, 65535, 1)
    label(p, 15, "E-END", (780, ey, 48, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
    numeric(p, 15, "EEnd", (830, ey, 84, FIELD_H), 0, 65535, 1024)
    switch(p, 37, "Zoom", "ZOOM", (930, ey, 72, FIELD_H), False)
    # In the free place between E-BEG and E-END: the statistics window and the reference
    # profile of the video graph.
    command(p, 45, "Statistics", "STATISTICS", (598, ey - 1, 92, FIELD_H + 2))
    command(p, 46, "KeepReference", "KEEP REF.", (696, ey - 1, 80, FIELD_H + 2))
    # The journal of the writes, at the right of the information area beside REPORT.
    command(p, 44, "History", "HISTORY", (MAIN_W - 8 - 110 - 8 - 110, 57, 110, BUTTON_H))

    # Analogue output: reset of the stored maximum/minimum and the three displays, shown
    # only for the analogue-output modes that use them.
    ay = ey + FIELD_H + 8
    command(p, 22, "Reset", "RESET", (RIGHT_X, ay, 90, BUTTON_H), visible=False)
    ax = RIGHT_X + 90 + 12
    for ctrl, name, text, lw in ((19, "AnaValue", "ANALOG-OUT", 84), (20, "AnaMax", "MAX", 34),
                                 (21, "AnaMin", "MIN", 32)):
        label(p, ctrl, text, (ax, ay + 2, lw, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
        numeric(p, ctrl, name, (ax + lw, ay + 2, 80, FIELD_H), -65535, 65535, 0, indicator=True,
                visible=False)
        ax += lw + 80 + 14

    # Measurement values: three columns of two rows, labels above.
    cols = 3
    pitch = (RIGHT_W - 24 + 12) // cols
    fw = pitch - 12
    cx = [RIGHT_X + 12 + i * pitch for i in range(cols)]
    r1, r2 = values_top + 20, values_top + 20 + 50

    def ind(ctrl, text, col, row, make):
        y = labelled_above(p, ctrl, text, cx[col], row, fw)
        make((cx[col], y, fw, 26))

    ind(26, "VALUE [mm]", 0, r1,
        lambda g: fnumeric(p, 26, "ValueMm", g, -1e9, 1e9, 3, 0.0, indicator=True, bold=True))
    ind(27, "VALUE [pixel]", 0, r2,
        lambda g: numeric(p, 27, "ValuePix", g, 0, 65535, 0, indicator=True, bold=True))
    ind(28, "TOL-UP [mm]", 1, r1,
        lambda g: fnumeric(p, 28, "TolUpMm", g, -1e9, 1e9, 3, 0.0, indicator=True))
    ind(29, "TOL-LOW [mm]", 1, r2,
        lambda g: fnumeric(p, 29, "TolLowMm", g, -1e9, 1e9, 3, 0.0, indicator=True))
    ind(30, "LEDGE [pixel]", 2, r1,
        lambda g: numeric(p, 30, "Ledge", g, 0, 65535, 0, indicator=True))
    ind(31, "REDGE [pixel]", 2, r2,
        lambda g: numeric(p, 31, "Redge", g, 0, 65535, 0, indicator=True))

    # Status line.
    label(p, 33, "STATUS", (PAGE_LEFT, 690, 56, 24), bold=True,
          align="Qt::AlignLeft|Qt::AlignVCenter")
    string_ind(p, 33, "Status", (PAGE_LEFT + 58, 690, MAIN_W - 2 * PAGE_LEFT - 58, 24))

    # Help-text boxes last: above every other control of the panel.
    help_props = [p_palette("Base", HELP_YELLOW), p_bool("visible", False),
                  p_enum("frameShape", "QFrame::Box"), p_enum("focusPolicy", "Qt::NoFocus")]
    textbox(p, 40, "Help1", (10, 110, 330, 150), "HELPTEXT1", help_props)
    textbox(p, 41, "Help2", (10, 110, 330, 150), "HELPTEXT2", help_props)
    return p


# ------------------------------------------------------------------ recorder panel


def make_recorder():
    # A top-level window: it opens over the parameter pages, leaving the bar graph and
    # the measurement values of the main panel in view while it records.
    p = Panel(5, "recorder", "Q-ROX Data Recorder", 540, 420, pos=(4, 100))
    group(p, "Settings", "SETTINGS", (10, 64, 255, 122))
    group(p, "Run", "RECORDING", (275, 64, 255, 122))
    group(p, "Result", "LAST RESULT", (10, 196, 520, 76))
    group(p, "File", "RECORDER FILE", (10, 282, 520, 80))

    textbox(p, 2, "Status", (10, 10, 520, 44), "",
            [p_font(10, True), p_enum("focusPolicy", "Qt::NoFocus")])

    y = labelled_above(p, 4, "SAMPLES", 22, 84, 110)
    numeric(p, 4, "Samples", (22, y, 110, FIELD_H), 0, 65535, 10)
    y = labelled_above(p, 21, "INCREMENT [s]", 145, 84, 108)
    numeric(p, 21, "Increment", (145, y, 108, FIELD_H), 0, 65535, 1)
    caption(p, "Duration", "DURATION  (DAYS : HOURS : MIN : SEC)", (22, 134, 240, 16))
    # The expected duration of the start settings: 10 samples x 1 s.
    for ctrl, name, x, v in ((14, "Days", 22, 0), (13, "Hours", 81, 0), (12, "Minutes", 140, 0),
                             (11, "Seconds", 199, 10)):
        numeric(p, ctrl, name, (x, 152, 54, 24), 0, 2147483647, v, indicator=True,
                enabled=False)
    y = labelled_above(p, 8, "DATE", 287, 84, 110)
    string_ind(p, 8, "Date", (287, y, 110, 24), enabled=False)
    y = labelled_above(p, 9, "TIME", 410, 84, 108)
    string_ind(p, 9, "Time", (410, y, 108, 24), enabled=False)
    y = labelled_above(p, 10, "RECORDS", 287, 134, 110)
    numeric(p, 10, "Count", (287, y, 110, 24), 0, 2147483647, 0, indicator=True, enabled=False)

    rx = [22, 150, 278, 406]
    ry = 216
    y = labelled_above(p, 15, "MVALUE [pixel]", rx[0], ry, 112)
    numeric(p, 15, "Mvalue", (rx[0], y, 112, 24), 0, 65535, 0, indicator=True)
    y = labelled_above(p, 16, "LEDGE", rx[1], ry, 112)
    numeric(p, 16, "Ledge", (rx[1], y, 112, 24), 0, 65535, 0, indicator=True)
    y = labelled_above(p, 23, "REDGE", rx[2], ry, 112)
    numeric(p, 23, "Redge", (rx[2], y, 112, 24), 0, 65535, 0, indicator=True)
    y = labelled_above(p, 22, "VALUE [mm]", rx[3], ry, 112)
    fnumeric(p, 22, "ValueMm", (rx[3], y, 112, 24), -1e9, 1e9, 3, 0.0, indicator=True)

    textbox(p, 20, "Path", (22, 304, 376, 46), "", [p_enum("focusPolicy", "Qt::NoFocus")])
    command(p, 7, "File", "FILE...", (410, 312, 108, BUTTON_H))

    command(p, 5, "Start", "START", (10, 374, 150, 34), bold=True)
    command(p, 6, "Stop", "STOP", (170, 374, 150, 34), bold=True)
    return p


# ------------------------------------------------------------------ compare panel


def make_compare():
    # A top-level window: the 30 words of the parameter set side by side, read from the
    # sensor's RAM and EEPROM and from a parameter file.
    row_h = 19
    p = Panel(6, "compare", "Q-ROX Parameter Compare", 620, 720, pos=(40, 40))
    textbox(p, 3, "Result", (10, 10, 600, 44), "",
            [p_font(10, True), p_enum("focusPolicy", "Qt::NoFocus")])
    table(p, 2, "Words", (10, 62, 600, 24 + 30 * row_h + 4),
          ["NO.", "PARAMETER", "RAM", "EEPROM", "FILE"], [44, 250, 96, 96, 96], row_h)
    y = 62 + 24 + 30 * row_h + 4 + 10
    label(p, 5, "FILE", (10, y, 40, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
    string_ind(p, 5, "Path", (50, y, 440, FIELD_H))
    command(p, 4, "Close", "CLOSE", (500, y - 2, 110, BUTTON_H), bold=True)
    return p


# ------------------------------------------------------------------ statistics panel


def make_statistics():
    # A top-level window: the figures of the measured values, live or of a recorder file,
    # the histogram of the value against the tolerance and the process capability.
    row_h = 22
    p = Panel(8, "statistics", "Q-ROX Statistics", 640, 600, pos=(60, 60))
    group(p, "Capability", "PROCESS CAPABILITY  (VALUE [pixel])", (10, 484, 620, 66))
    textbox(p, 2, "Source", (10, 10, 620, 44), "",
            [p_font(10, True), p_enum("focusPolicy", "Qt::NoFocus")])
    label(p, 3, "FRAMES", (10, 64, 60, FIELD_H), align=LEFT_ALIGN)
    ring(p, 3, "Frames", (72, 64, 140, FIELD_H),
         [("LAST 100", 100), ("LAST 1000", 1000), ("SINCE RESET", 0)], 100)
    command(p, 4, "Reset", "RESET", (224, 62, 100, BUTTON_H), bold=True)
    command(p, 5, "Open", "OPEN FILE...", (336, 62, 130, BUTTON_H))
    table(p, 6, "Figures", (10, 102, 620, 24 + 4 * row_h + 4),
          ["", "COUNT", "MEAN", "SD", "MIN", "MAX", "P-P"], [112, 70, 100, 86, 80, 80, 80],
          row_h)
    graph(p, 7, "Histogram", (10, 232, 620, 244), 0.0, 100.0, 0.0, 10.0, "VALUE [pixel]",
          "FRAMES")
    cy = 484 + 22
    for ctrl, name, text, x, lw in ((10, "SetPoint", "SET-POINT", 22, 70),
                                    (11, "Low", "LSL", 170, 30), (12, "High", "USL", 280, 30)):
        label(p, ctrl, text, (x, cy, lw, FIELD_H), align=LEFT_ALIGN)
        numeric(p, ctrl, name, (x + lw + 2, cy, 64, FIELD_H), -1000000, 1000000, 0,
                indicator=True)
    for ctrl, name, text, x in ((8, "Cp", "Cp", 388), (9, "Cpk", "Cpk", 504)):
        label(p, ctrl, text, (x, cy, 34, FIELD_H), align=LEFT_ALIGN)
        string_ind(p, ctrl, name, (x + 36, cy, 70, FIELD_H))
    command(p, 13, "Close", "CLOSE", (520, 560, 110, BUTTON_H), bold=True)
    # The help box last: above the other controls of the window.
    textbox(p, 14, "Help", (150, 150, 360, 176), "",
            [p_palette("Base", HELP_YELLOW), p_bool("visible", False),
             p_enum("frameShape", "QFrame::Box"), p_enum("focusPolicy", "Qt::NoFocus")])
    return p


# ------------------------------------------------------------------ history panel


def make_history():
    # A top-level window: the journal's entries newest first on the left, the words the
    # chosen entry changed on the right, and the restore of the set held before it.
    row_h = 19
    table_h = 24 + 30 * row_h + 4
    p = Panel(7, "history", "Q-ROX Parameter Journal", 1000, 720, pos=(4, 4))
    textbox(p, 3, "Result", (10, 10, 980, 44), "",
            [p_font(10, True), p_enum("focusPolicy", "Qt::NoFocus")])
    table(p, 2, "Entries", (10, 62, 570, table_h),
          ["NO.", "TIME", "ACTION", "PORT", "HW / FW", "OUTCOME"], [44, 150, 96, 104, 70, 90],
          row_h)
    table(p, 7, "Words", (590, 62, 400, table_h), ["NO.", "PARAMETER", "BEFORE", "AFTER"],
          [40, 200, 76, 76], row_h)
    y = 62 + table_h + 10
    label(p, 6, "ENTRY", (10, y, 50, FIELD_H), align="Qt::AlignLeft|Qt::AlignVCenter")
    numeric(p, 6, "Entry", (62, y, 110, FIELD_H), 0, 2147483647, 0)
    switch(p, 5, "All", "ALL SENSORS", (190, y, 130, FIELD_H), False)
    command(p, 8, "Restore", "RESTORE", (590, y - 2, 150, BUTTON_H), bold=True)
    command(p, 4, "Close", "CLOSE", (880, y - 2, 110, BUTTON_H), bold=True)
    return p


# ------------------------------------------------------------------ file


def main():
    panels = [make_main(), make_recorder(), make_para1(), make_para2(), make_calib(),
              make_compare(), make_history(), make_statistics()]
    s = '<?xml version="1.0" encoding="UTF-8"?>\n'
    s += "<!-- Panel resources of Q-ROX-MX-Raror 3.06; written by scripts/make_uir.py. -->\n"
    s += '<ui version="4.0">\n <class>resources</class>\n'
    s += ' <widget class="QWidget" name="resources">\n'
    s += ('  <property name="geometry"><rect><x>0</x><y>0</y><width>%d</width>'
          '<height>%d</height></rect></property>\n' % (MAIN_W, MAIN_H))
    for panel in panels:
        s += panel.xml(2)
    s += " </widget>\n"
    s += (" <customwidgets>\n  <customwidget>\n   <class>QCustomPlot</class>\n"
          "   <extends>QWidget</extends>\n   <header>qcustomplot.h</header>\n"
          "   <container>0</container>\n  </customwidget>\n </customwidgets>\n")
    s += " <resources/>\n <connections/>\n</ui>\n"
    out = sys.argv[1] if len(sys.argv) > 1 else OUT
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write(s)


if __name__ == "__main__":
    main()
