#!/usr/bin/env python3
"""Draws the program's skins: res/skins/<skin>/skin.xml and the PNG pictures it names.

Run from anywhere: python3 res/skins/make_skins.py. Needs ImageMagick's `convert`. The outputs are
committed; the build only packs each folder into a .skn archive (docs/skin-format.md describes it).
One layout, two palettes: "zelvante" (dark, the default skin) and "light" (installed under Skins/).
"""
import os
import shutil
import subprocess
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))

DARK = dict(
    name="Zelvante", base="#12161C", title="#0D1117", card="#181D25", card_line="#232A35",
    video="#05070A", button="#2A313D", button_line="#3A4352", hover="#34405A", hover_line="#4B5A75",
    pressed="#1E2430", disabled="#20252D", accent="#2F6FED", accent_hover="#4A86F7", accent_pressed="#1F57C8",
    text="#E6EAF0", muted="#9AA4B2", faint="#5B6574", danger="#E5484D", track="#2A313D", tab="#1A2029",
    tab_hover="#232B37", shadow="#000000",
)
LIGHT = dict(
    name="Zelvante Light", base="#EEF1F5", title="#FFFFFF", card="#FFFFFF", card_line="#D5DBE3",
    video="#1B1F26", button="#FFFFFF", button_line="#C9D1DC", hover="#E8F0FE", hover_line="#8DB0F5",
    pressed="#D3E1FB", disabled="#F1F3F6", accent="#2563EB", accent_hover="#3B82F6", accent_pressed="#1D4ED8",
    text="#1F2937", muted="#556070", faint="#A0A9B6", danger="#DC2626", track="#D5DBE3", tab="#E3E8EF",
    tab_hover="#EDF1F7", shadow="",
)


def convert(*args):
    subprocess.run(["convert", *args], check=True)


class Painter:
    """Draws the pictures of one palette into one folder."""

    def __init__(self, folder, p):
        self.folder = folder
        self.p = p

    def out(self, name):
        return "PNG32:" + os.path.join(self.folder, name)

    def box(self, name, w, h, fill, line, radius):
        draw = ["-fill", fill]
        if line:
            draw += ["-stroke", line, "-strokewidth", "1"]
        convert("-size", f"{w}x{h}", "xc:none", *draw,
                "-draw", f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} {radius},{radius}", self.out(name))

    def tab(self, name, fill, top_line):
        # A tab with rounded top corners, cut into left, middle and right pieces.
        tmp = os.path.join(self.folder, "_tab.png")
        draw = ["-fill", fill, "-draw", "roundrectangle 0,0 23,34 6,6"]
        if top_line:
            draw += ["-fill", top_line, "-draw", "roundrectangle 0,0 23,6 3,3", "-fill", fill,
                     "-draw", "rectangle 0,3 23,8"]
        convert("-size", "24x28", "xc:none", *draw, "PNG32:" + tmp)
        for part, x in (("l", 0), ("m", 8), ("r", 16)):
            convert(tmp, "-crop", f"8x28+{x}+0", "+repage", self.out(f"{name}_{part}.png"))
        os.remove(tmp)

    def icon(self, name, draw, colour=None, size=20):
        c = colour or self.p["text"]
        convert("-size", f"{size}x{size}", "xc:none", "-fill", "none", "-stroke", c, "-strokewidth", "2",
                *[a.replace("INK", c) for a in draw], self.out(name))

    def all(self):
        p = self.p
        self.box("button.png", 24, 24, p["button"], p["button_line"], 6)
        self.box("button_hover.png", 24, 24, p["hover"], p["hover_line"], 6)
        self.box("button_pressed.png", 24, 24, p["pressed"], p["hover_line"], 6)
        self.box("button_disabled.png", 24, 24, p["disabled"], p["card_line"], 6)
        self.box("accent.png", 24, 24, p["accent"], None, 6)
        self.box("accent_hover.png", 24, 24, p["accent_hover"], None, 6)
        self.box("accent_pressed.png", 24, 24, p["accent_pressed"], None, 6)
        self.box("flat_hover.png", 24, 24, p["hover"], None, 5)
        self.box("flat_pressed.png", 24, 24, p["pressed"], None, 5)
        self.box("danger_hover.png", 24, 24, p["danger"], None, 5)
        self.box("card.png", 32, 32, p["card"], p["card_line"], 10)
        self.box("video.png", 32, 32, p["video"], p["card_line"], 8)
        self.box("overlay_box.png", 24, 24, p["video"], p["card_line"], 6)
        self.box("track.png", 12, 6, p["track"], None, 3)
        self.box("thumb.png", 14, 14, p["text"], p["accent"], 7)
        self.box("thumb_hover.png", 14, 14, p["accent_hover"], p["text"], 7)
        self.box("thumb_pressed.png", 14, 14, p["accent"], p["text"], 7)
        self.box("check_off.png", 18, 18, p["card"], p["faint"], 4)
        self.box("check_off_hover.png", 18, 18, p["hover"], p["accent_hover"], 4)
        for name, fill in (("check_on.png", p["accent"]), ("check_on_hover.png", p["accent_hover"])):
            convert("-size", "18x18", "xc:none", "-fill", fill, "-draw", "roundrectangle 0.5,0.5 16.5,16.5 4,4",
                    "-fill", "none", "-stroke", "#FFFFFF", "-strokewidth", "2", "-draw", "polyline 4.5,9 7.5,12 13.5,5.5",
                    self.out(name))
        self.tab("tab", p["tab"], None)
        self.tab("tab_hover", p["tab_hover"], None)
        self.tab("tab_sel", p["card"], p["accent"])
        fill = ["-fill", "INK", "-stroke", "none"]
        self.icon("icon_play.png", fill + ["-draw", "polygon 6,4 16,10 6,16"])
        self.icon("icon_pause.png", fill + ["-draw", "roundrectangle 5,4 8,16 1,1", "-draw", "roundrectangle 12,4 15,16 1,1"])
        self.icon("icon_stop.png", fill + ["-draw", "roundrectangle 5,5 15,15 2,2"])
        self.icon("icon_snapshot.png", ["-draw", "roundrectangle 2,6 18,16 2,2", "-draw", "circle 10,11 10,8.5",
                                        "-draw", "line 7,4 13,4"])
        self.icon("icon_fullscreen.png", ["-draw", "polyline 3,8 3,3 8,3", "-draw", "polyline 12,3 17,3 17,8",
                                          "-draw", "polyline 17,12 17,17 12,17", "-draw", "polyline 8,17 3,17 3,12"])
        self.icon("icon_panel.png", ["-draw", "line 3,5 17,5", "-draw", "line 3,10 17,10", "-draw", "line 3,15 17,15"]
                  + fill + ["-draw", "circle 7,5 7,7.5", "-draw", "circle 13,10 13,12.5", "-draw", "circle 9,15 9,17.5"])
        self.icon("icon_minimize.png", ["-draw", "line 5,14 15,14"], p["muted"], 20)
        self.icon("icon_close.png", ["-draw", "line 5,5 15,15", "-draw", "line 15,5 5,15"], p["muted"], 20)
        self.icon("icon_mail.png", ["-draw", "roundrectangle 2,4 18,16 2,2", "-draw", "polyline 3,5 10,11 17,5"],
                  p["accent_hover"])
        for corner, (x, y) in {"tl": (5, 5), "tc": (10, 5), "tr": (15, 5),
                               "bl": (5, 15), "bc": (10, 15), "br": (15, 15)}.items():
            self.icon(f"icon_text_{corner}.png", ["-draw", "roundrectangle 2,2 18,18 2,2", "-strokewidth", "0"]
                      + fill + ["-draw", f"roundrectangle {x - 3},{y - 2} {x + 3},{y + 2} 1,1"], p["muted"])


class Form:
    """Writes one form's XML: elements in document order, panels nesting their children."""

    def __init__(self, name, w, h, **attrs):
        self.lines = [f'  <form name="{name}" size="{w} {h}"' + self.attrs(attrs) + ">"]
        self.depth = 2

    @staticmethod
    def attrs(attrs):
        return "".join(f" {k.replace('_', '-')}={quoteattr(str(v))}" for k, v in attrs.items() if v is not None)

    def el(self, kind, name, x, y, w, h, **attrs):
        self.lines.append("  " * self.depth + f'<{kind} name={quoteattr(name)} rect="{x} {y} {w} {h}"'
                          + self.attrs(attrs) + "/>")

    def open(self, kind, name, x, y, w, h, **attrs):
        self.lines.append("  " * self.depth + f'<{kind} name={quoteattr(name)} rect="{x} {y} {w} {h}"'
                          + self.attrs(attrs) + ">")
        self.depth += 1

    def close(self, kind):
        self.depth -= 1
        self.lines.append("  " * self.depth + f"</{kind}>")

    # The kinds of button the layout uses.
    def button(self, name, x, y, w, h, text=None, tooltip=None, **attrs):
        self.el("button", name, x, y, w, h, image="button.png", hover="button_hover.png",
                pressed="button_pressed.png", disabled="button_disabled.png", slice=6, text=text,
                style="caption", tooltip=tooltip, **attrs)

    def accent(self, name, x, y, w, h, text):
        self.el("button", name, x, y, w, h, image="accent.png", hover="accent_hover.png",
                pressed="accent_pressed.png", slice=6, text=text, style="accent")

    def flat(self, name, x, y, w, h, text=None, icon=None, tooltip=None, danger=False, **attrs):
        self.el("button", name, x, y, w, h, hover="danger_hover.png" if danger else "flat_hover.png",
                pressed="flat_pressed.png", slice=5, text=text, icon=icon, style="menu",
                hover_style="menu-hover", pressed_style="menu-hover", tooltip=tooltip, **attrs)

    def iconbutton(self, name, x, y, icon, tooltip, w=40, h=36):
        self.button(name, x, y, w, h, icon=icon, tooltip=tooltip)

    def slider(self, name, x, y, w, tooltip=None):
        self.el("slider", name, x, y, w, 16, image="track.png", slice=3, thumb="thumb.png",
                thumb_hover="thumb_hover.png", thumb_pressed="thumb_pressed.png", min=0, max=100, position=50,
                tooltip=tooltip)

    def text(self, name, x, y, w, h, text, style="small"):
        self.el("text", name, x, y, w, h, text=text, style=style)

    def frame(self, name, x, y, w, h, **attrs):
        self.el("frame", name, x, y, w, h, **attrs)

    def title_bar(self, w, title, close_name):
        self.el("image", "Title Bar", 0, 0, w, 36, color="{title}")
        self.text("Static Title", 16, 0, 300, 36, title, "title")
        self.flat(close_name, w - 40, 6, 32, 24, icon="icon_close.png", tooltip="Close", danger=True)

    def xml(self):
        return "\n".join(self.lines + ["  </form>"])


def tab(f, number, x, caption, selected):
    # Each tab is three pieces; tabs 1-3 have no right piece of their own unless selected.
    sel = " Sel" if selected else ""
    look = "tab_sel" if selected else "tab"
    hover = "tab_sel" if selected else "tab_hover"
    pieces = [("L", 0, 8), ("M", 8, 58)]
    if selected or number == 4:
        pieces.append(("R", 66, 8))
    for part, dx, w in pieces:
        f.el("button", f"Button Tab{number}{part}{sel}", x + dx, 124, w, 28, image=f"{look}_{part.lower()}.png",
             hover=f"{hover}_{part.lower()}.png", pressed=f"{hover}_{part.lower()}.png",
             text=caption if part == "M" else None, style="tab-sel" if selected else "tab",
             visible=None if selected == (number == 1) else "0")


def main_form():
    f = Form("Skin Main", 1000, 680, color="{base}")
    f.el("image", "Title Bar", 0, 0, 1000, 36, color="{title}")
    for name, x, w, text in (("Menu File", 8, 48, "File"), ("Menu Options", 58, 68, "Options"),
                             ("Menu Account", 128, 72, "Account"), ("Menu Help", 202, 50, "Help")):
        f.flat(name, x, 6, w, 24, text=text)
    f.text("Static Title", 400, 0, 200, 36, "Zelvante", "title-centre")
    f.flat("Button New Messages", 690, 6, 150, 24, text="New messages", icon=None, visible="0",
           tooltip="You have new messages")
    f.flat("Button Help", 880, 6, 32, 24, text="?", tooltip="Help")
    f.flat("Button Minimize", 916, 6, 32, 24, icon="icon_minimize.png", tooltip="Minimize")
    f.flat("Button Close", 952, 6, 40, 24, icon="icon_close.png", tooltip="Close", danger=True)

    f.el("image", "Video Card", 12, 44, 648, 488, image="video.png", slice=8)
    f.frame("Frame Video", 16, 48, 640, 480, color="{video}")
    f.iconbutton("Button Play", 16, 540, "icon_play.png", "Play")
    f.iconbutton("Button Pause", 60, 540, "icon_pause.png", "Pause")
    f.iconbutton("Button Stop", 104, 540, "icon_stop.png", "Stop")
    f.slider("Scroll Video Position", 156, 550, 332, "Position")
    f.iconbutton("Button Snapshot", 500, 540, "icon_snapshot.png", "Snapshot manager")
    f.iconbutton("Button FullScreen", 544, 540, "icon_fullscreen.png", "Full screen")
    f.iconbutton("Button ControlPanel", 588, 540, "icon_panel.png", "Output sizes", w=68)
    f.text("Static FPS", 16, 584, 200, 20, "Frame rate: 0")
    f.text("Static Source", 220, 584, 404, 20, "No video source")
    f.flat("Button Source", 630, 582, 26, 24, text="i", tooltip="")
    f.text("Static Program Version", 16, 612, 300, 18, "Zelvante", "faint")
    f.text("Static Driver Version", 320, 612, 336, 18, "Driver", "faint")
    f.flat("Button Beamlore", 16, 640, 160, 28, text="Beamlore products")

    f.el("image", "Side Card", 672, 44, 316, 628, image="card.png", slice=10)
    f.button("Button Video Source", 680, 52, 148, 30, "Video source")
    f.button("Button Audio Source", 834, 52, 148, 30, "Audio source")
    f.button("Button OpenFile", 680, 88, 96, 30, "Open file")
    f.button("Button FPS", 782, 88, 96, 30, "Frame rate")
    f.button("Button VideoStream", 884, 88, 98, 30, "Stream")
    for number, caption in ((1, "Adjust"), (2, "Playlist"), (3, "Slides"), (4, "Overlay")):
        x = 680 + (number - 1) * 76
        tab(f, number, x, caption, False)
        tab(f, number, x, caption, True)

    f.open("panel", "Tab Panel 1", 680, 152, 304, 280)
    rows = (("Button Brightness", "Brightness", "Scroll Brightness"), ("Button Contrast", "Contrast", "Scroll Contrast"),
            ("Button Saturation", "Saturation", "Scroll Saturation"), ("Button Zero Red", "Red", "Scroll Red"),
            ("Button Zero Green", "Green", "Scroll Green"), ("Button Zero Blue", "Blue", "Scroll Blue"),
            ("Button Zero White", "White", "Scroll White"))
    for i, (button, caption, slider) in enumerate(rows):
        y = 12 + i * 37 + (10 if i >= 3 else 0)
        f.button(button, 4, y, 96, 28, caption, tooltip="Reset " + caption.lower())
        f.slider(slider, 110, y + 6, 186, "50 %")
    f.close("panel")

    f.open("panel", "Tab Panel 2", 680, 152, 304, 280, visible="0")
    f.frame("Static playlist", 4, 10, 296, 222, color="{video}")
    for i, (name, text) in enumerate((("Add", "Add"), ("Delete", "Delete"), ("Prev", "Prev"), ("Next", "Next"))):
        f.button(f"Button Playlist {name}", 4 + i * 75, 242, 71, 30, text)
    f.close("panel")

    f.open("panel", "Tab Panel 3", 680, 152, 304, 280, visible="0")
    f.text("Static Slideshow Label", 4, 10, 150, 30, "Show each picture for", "small-left")
    f.button("Button Slideshow Time", 160, 10, 140, 30, "5 sec", tooltip="Click to change")
    for i, (name, text) in enumerate((("Add", "Add"), ("Delete", "Delete"), ("Prev", "Prev"), ("Next", "Next"))):
        f.button(f"Button Slideshow {name}", 4 + i * 75, 242, 71, 30, text)
    f.close("panel")

    f.open("panel", "Tab Panel 4", 680, 152, 304, 280, visible="0")
    f.el("button", "Button Text", 4, 10, 296, 96, image="overlay_box.png", hover="overlay_box.png",
         pressed="overlay_box.png", slice=6, text="Overlay text", style="overlay", tooltip="Click to edit")
    for i, corner in enumerate(("TL", "TC", "TR", "BL", "BC", "BR")):
        f.button(f"Button Text {corner}", 4 + (i % 3) * 100, 116 + (i // 3) * 38, 96, 32,
                 icon=f"icon_text_{corner.lower()}.png", tooltip="Text position")
    f.button("Button Text Color", 4, 200, 146, 30, "Text colour")
    f.button("Button Text Font", 154, 200, 146, 30, "Text font")
    f.button("Button Sound Volume", 4, 240, 296, 30, "Sound volume")
    f.close("panel")

    f.flat("Button Ad Zelvante", 680, 440, 148, 26, text="zelvante.com")
    f.flat("Button Ad Beamlore", 834, 440, 148, 26, text="Beamlore")
    f.frame("Static Ad", 680, 472, 300, 60, color="{video}")
    f.frame("Static Chat General Mid", 680, 540, 300, 56, color="{video}")
    f.frame("Static Chat Private Mid1", 680, 602, 300, 30, color="{video}")
    f.frame("Static Chat Send Mid", 680, 638, 300, 26, color="{video}")
    return f


def control_panel_form():
    f = Form("Skin ControlPanel", 240, 330, color="{card}")
    f.title_bar(240, "Output sizes", "Button Control Close")
    for i, size in enumerate(("160x120", "176x144", "240x176", "240x180", "320x240", "352x288", "640x480", "720x480")):
        f.el("check", f"Check {size}", 20, 48 + i * 28, 200, 22, image="check_off.png", hover="check_off_hover.png",
             checked="check_on.png", checked_hover="check_on_hover.png", text=size.replace("x", " \u00d7 "),
             style="check", value=1)
    f.accent("Button Control Ok", 136, 286, 88, 30, "OK")
    return f


def message_form():
    f = Form("Skin Msg", 400, 180, color="{card}")
    f.el("image", "Msg Line", 0, 0, 400, 4, color="{accent}")
    # Grows with a long message: the buttons move down and the box gets taller.
    f.el("text", "Static Msg Message", 24, 24, 352, 90, text="", style="message", grow=1)
    f.accent("Button Msg OK", 188, 130, 92, 32, "OK")
    f.button("Button Msg Cancel", 288, 130, 92, 32, "Cancel")
    return f


def browser_form():
    f = Form("Skin Browser", 820, 600, color="{base}")
    f.title_bar(820, "Zelvante", "Browser Button Close")
    f.frame("Browser Frame", 8, 44, 804, 548, color="#FFFFFF")
    return f


def studio_form():
    f = Form("Skin Studio", 900, 640, color="{base}")
    f.title_bar(900, "Zelvante Studio", "Button Studio Close")
    for i, (name, text) in enumerate((("Main", "Main"), ("Settings", "Settings"), ("Payment", "Payment"),
                                      ("Salary", "Salary"), ("Add Host", "Add host"))):
        f.button(f"Button Studio {name}", 8 + i * 108, 44, 100, 30, text)
    f.frame("Browser Frame", 8, 82, 884, 550, color="#FFFFFF")
    return f


def styles(p):
    shadow = f' shadow="{p["shadow"]}" shadow-dy="1"' if p["shadow"] else ""
    face = 'face="Liberation Sans"'
    return "\n".join([
        f'  <style id="caption" {face} height="13" weight="600" color="{p["text"]}" align="5"{shadow}/>',
        f'  <style id="accent" {face} height="13" weight="700" color="#FFFFFF" align="5"/>',
        f'  <style id="menu" {face} height="13" weight="400" color="{p["muted"]}" align="5"/>',
        f'  <style id="menu-hover" {face} height="13" weight="400" color="{p["text"]}" align="5"/>',
        f'  <style id="tab" {face} height="13" weight="400" color="{p["muted"]}" align="5"/>',
        f'  <style id="tab-sel" {face} height="13" weight="700" color="{p["text"]}" align="5"/>',
        f'  <style id="title" {face} height="14" weight="700" color="{p["text"]}" align="4"/>',
        f'  <style id="title-centre" {face} height="14" weight="700" color="{p["muted"]}" align="5"/>',
        f'  <style id="small" {face} height="12" weight="400" color="{p["muted"]}" align="4"/>',
        f'  <style id="small-left" {face} height="12" weight="400" color="{p["muted"]}" align="4"/>',
        f'  <style id="faint" {face} height="11" weight="400" color="{p["faint"]}" align="4"/>',
        f'  <style id="check" {face} height="13" weight="400" color="{p["text"]}" align="4"/>',
        f'  <style id="message" {face} height="14" weight="400" color="{p["text"]}" align="0"/>',
        f'  <style id="overlay" {face} height="16" weight="700" color="#FFFFFF" align="0" margin-x="8" margin-y="6"/>',
    ])


def write_skin(folder, p):
    path = os.path.join(HERE, folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    Painter(path, p).all()
    forms = [main_form(), control_panel_form(), message_form(), browser_form(), studio_form()]
    menu = (f'  <menu style="menu-hover" background="{p["card"]}" border="{p["card_line"]}" text="{p["text"]}" '
            f'highlight="{p["accent"]}" highlight-text="#FFFFFF" grayed="{p["faint"]}" '
            f'separator="{p["card_line"]}" item-height="26"/>')
    body = "\n".join(form.xml() for form in forms)
    for key, value in p.items():
        body = body.replace("{" + key + "}", value)
    xml = f'<?xml version="1.0" encoding="UTF-8"?>\n<skin name="{p["name"]}">\n{styles(p)}\n{menu}\n{body}\n</skin>\n'
    with open(os.path.join(path, "skin.xml"), "w", encoding="utf-8") as out:
        out.write(xml)


if __name__ == "__main__":
    write_skin("zelvante", DARK)
    write_skin("light", LIGHT)
