#!/usr/bin/python3
"""Draws the quick-message editor's skin parts: the picture emoji
skin/emotion/sign_emotion/<n>.png, the two emoji panels (skin/shortcut_sign_emotions.xml and
skin/shortcut_qq_emotions.xml, included by skin/shortcut.xml) and the editor's icons
(skin/shortcut/*.png).

Entry n of the emoji table (shortcut/EmojiTable.cpp, read here so the pictures can never
drift from what is typed into the chat client) becomes picture n: a Unicode emoji drawn with
the colour emoji font, a bracketed text code of the client ("[红包]") a rounded badge with
its text in the CJK font. Pictures are 48 x 48, twice their size on screen, so the panel
stays crisp on a 2x screen.
    scripts/make-editor-skin.py    (the system python3 with python3-pil, fonts-noto-color-emoji
                                    and fonts-noto-cjk; writes into skin/)
"""
import os
import re
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
TABLE = os.path.join(ROOT, "shortcut", "EmojiTable.cpp")
OUT = os.path.join(ROOT, "skin", "emotion", "sign_emotion")
EMOJI_FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
CJK_FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
SIZE = 48
COUNT = 177

# Badge colours of the text codes, by code; anything else gets the first.
BADGE_COLOURS = {"红包": "#E5484D", "鸡": "#F59E0B", "耶": "#22A06B"}


def read_table():
    """The entries in table order, decoded from the C++ string literals."""
    source = open(TABLE, encoding="utf-8").read()
    body = source[source.index("kEntries = {"):source.index("};", source.index("kEntries = {"))]
    body = re.sub(r"//[^\n]*", "", body)
    literals = re.findall(r'"((?:[^"\\]|\\.)*)"', body)
    # Escaped literals ("\\U0001F604") are plain ASCII; the text codes are UTF-8 as they stand.
    entries = [l.encode("ascii").decode("unicode_escape") if "\\" in l else l for l in literals]
    if len(entries) != COUNT:
        sys.exit(f"make-editor-skin: {len(entries)} entries in {TABLE}, expected {COUNT}")
    return entries


def emoji_picture(text, font):
    # The colour font has one bitmap size (109 px): draw at that size, then scale down.
    canvas = Image.new("RGBA", (136, 128), (0, 0, 0, 0))
    ImageDraw.Draw(canvas).text((4, 0), text, font=font, embedded_color=True)
    box = canvas.getbbox()
    if not box:
        sys.exit(f"make-editor-skin: the emoji font has no picture for {text!r}")
    glyph = canvas.crop(box)
    scale = (SIZE - 4) / max(glyph.width, glyph.height)
    glyph = glyph.resize((max(1, round(glyph.width * scale)), max(1, round(glyph.height * scale))),
                         Image.LANCZOS)
    picture = Image.new("RGBA", (SIZE, SIZE), (0, 0, 0, 0))
    picture.alpha_composite(glyph, ((SIZE - glyph.width) // 2, (SIZE - glyph.height) // 2))
    return picture


def badge_picture(code):
    # Drawn at 4x and scaled down for smooth edges.
    big = SIZE * 4
    picture = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(picture)
    colour = BADGE_COLOURS.get(code, "#1296FF")
    draw.rounded_rectangle((8, 24, big - 9, big - 25), radius=44, fill=colour)
    size = 96 if len(code) == 1 else 74
    font = ImageFont.truetype(CJK_FONT, size)
    left, top, right, bottom = draw.textbbox((0, 0), code, font=font)
    draw.text(((big - (right - left)) / 2 - left, (big - (bottom - top)) / 2 - top), code,
              font=font, fill="white")
    return picture.resize((SIZE, SIZE), Image.LANCZOS)


# The text emoticons: the client turns "[name]" into its own emoticon, so these are the
# client's names. Button i is "QQ_emtion_<i>" with the name as text and tooltip.
TEXT_EMOTICONS = [
    "微笑", "撇嘴", "色", "发呆", "得意", "流泪", "害羞", "闭嘴", "睡", "大哭", "尴尬", "发怒",
    "调皮", "呲牙", "惊讶", "难过", "囧", "抓狂", "吐", "偷笑", "愉快", "白眼", "傲慢", "困",
    "惊恐", "憨笑", "悠闲", "咒骂", "疑问", "嘘", "晕", "衰", "敲打", "再见", "擦汗", "抠鼻",
    "鼓掌", "坏笑", "哈欠", "鄙视", "委屈", "快哭了", "阴险", "亲亲", "可怜", "玫瑰", "凋谢",
    "爱心", "心碎", "蛋糕", "炸弹", "便便", "月亮", "太阳", "拥抱", "强", "弱", "握手", "胜利",
    "抱拳", "拳头", "OK",
]
SIGN_PER_ROW = 18
QQ_PER_ROW = 9


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def sign_panel():
    rows = []
    for first in range(1, COUNT + 1, SIGN_PER_ROW):
        cells = "".join(
            f'<Button name="sign_emotion_{n}" width="30" height="30" '
            f"normalimage=\"file='emotion/sign_emotion/{n}.png' dest='3,3,27,27'\" "
            f'hotbkcolor="#FFE8F1FC" borderround="4,4"/>'
            for n in range(first, min(first + SIGN_PER_ROW, COUNT + 1)))
        rows.append(f'    <HorizontalLayout height="30" childpadding="1">{cells}</HorizontalLayout>')
    return ('<?xml version="1.0" encoding="utf-8"?>\n'
            "<!-- Written by scripts/make-editor-skin.py: the picture emoji panel. -->\n"
            '<VerticalLayout inset="8,6,4,6" childpadding="1" vscrollbar="true">\n'
            + "\n".join(rows) + "\n</VerticalLayout>\n")


def qq_panel():
    rows = []
    for first in range(0, len(TEXT_EMOTICONS), QQ_PER_ROW):
        cells = "".join(
            f'<Button name="QQ_emtion_{i + 1}" text="{name}" tooltip="{name}" width="58" '
            f'height="28" textcolor="#FF3D4A5C" hottextcolor="#FF008CEE" bkcolor="#FFF3F5F8" '
            f'hotbkcolor="#FFE8F1FC" borderround="6,6"/>'
            for i, name in list(enumerate(TEXT_EMOTICONS))[first:first + QQ_PER_ROW])
        rows.append(f'    <HorizontalLayout height="28" childpadding="4">{cells}</HorizontalLayout>')
    return ('<?xml version="1.0" encoding="utf-8"?>\n'
            "<!-- Written by scripts/make-editor-skin.py: the text emoticon panel. -->\n"
            '<VerticalLayout inset="8,8,4,6" childpadding="5" vscrollbar="true">\n'
            + "\n".join(rows) + "\n</VerticalLayout>\n")


def icon(name, size, draw_at_4x):
    """An icon `size` pixels on screen, drawn at 8x and kept at 2x."""
    big = size * 8
    picture = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw_at_4x(ImageDraw.Draw(picture), big)
    picture.resize((size * 2, size * 2), Image.LANCZOS).save(
        os.path.join(ROOT, "skin", "shortcut", name), optimize=True)


def icons():
    os.makedirs(os.path.join(ROOT, "skin", "shortcut"), exist_ok=True)
    grey, blue, red = "#8A94A3", "#008CEE", "#E5484D"

    def marker(colour):
        def draw(d, big):
            d.ellipse((4, 4, big - 5, big - 5), fill="white", outline=colour, width=big // 7)
        return draw

    icon("marker_begin.png", 13, marker(blue))
    icon("marker_end.png", 13, marker("#22A06B"))

    def up(colour):
        def draw(d, big):
            w = big // 11
            d.line((big / 2, big * 0.22, big / 2, big * 0.8), fill=colour, width=w)
            d.line((big * 0.25, big * 0.46, big / 2, big * 0.2, big * 0.75, big * 0.46),
                   fill=colour, width=w, joint="curve")
        return draw

    def edit(colour):
        def draw(d, big):
            w = big // 11
            d.line((big * 0.22, big * 0.78, big * 0.7, big * 0.3), fill=colour, width=w * 2)
            d.polygon((big * 0.16, big * 0.84, big * 0.2, big * 0.66, big * 0.34, big * 0.8),
                      fill=colour)
            d.line((big * 0.2, big * 0.9, big * 0.84, big * 0.9), fill=colour, width=w)
        return draw

    def delete(colour):
        def draw(d, big):
            w = big // 11
            d.line((big * 0.2, big * 0.28, big * 0.8, big * 0.28), fill=colour, width=w)
            d.line((big * 0.4, big * 0.16, big * 0.6, big * 0.16), fill=colour, width=w)
            d.rounded_rectangle((big * 0.28, big * 0.34, big * 0.72, big * 0.86), radius=big // 12,
                                outline=colour, width=w)
            d.line((big * 0.43, big * 0.46, big * 0.43, big * 0.74), fill=colour, width=w)
            d.line((big * 0.57, big * 0.46, big * 0.57, big * 0.74), fill=colour, width=w)
        return draw

    def picture(colour):
        def draw(d, big):
            w = big // 14
            d.rounded_rectangle((big * 0.1, big * 0.18, big * 0.9, big * 0.82), radius=big // 10,
                                outline=colour, width=w)
            d.polygon((big * 0.2, big * 0.72, big * 0.42, big * 0.44, big * 0.58, big * 0.62,
                       big * 0.68, big * 0.52, big * 0.8, big * 0.72), fill=colour)
            d.ellipse((big * 0.64, big * 0.28, big * 0.76, big * 0.4), fill=colour)
        return draw

    for name, draw in (("up", up), ("edit", edit), ("del", delete)):
        icon(f"{name}_normal.png", 16, draw(grey))
        icon(f"{name}_hot.png", 16, draw(red if name == "del" else blue))
    icon("picture.png", 40, picture("#B8C4D6"))


def main():
    os.makedirs(OUT, exist_ok=True)
    emoji_font = ImageFont.truetype(EMOJI_FONT, 109)
    for n, text in enumerate(read_table(), start=1):
        code = re.fullmatch(r"\[(.+)\]", text)
        picture = badge_picture(code.group(1)) if code else emoji_picture(text, emoji_font)
        picture.save(os.path.join(OUT, f"{n}.png"), optimize=True)
    write(os.path.join(ROOT, "skin", "shortcut_sign_emotions.xml"), sign_panel())
    write(os.path.join(ROOT, "skin", "shortcut_qq_emotions.xml"), qq_panel())
    icons()
    print(f"make-editor-skin: {COUNT} picture emoji, the two panels and the icons in skin/")


if __name__ == "__main__":
    main()
