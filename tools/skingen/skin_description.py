"""The one description of the shipped skin.

Every rectangle, caption, label, colour and font of the skin lives here;
skingen.py turns it into the layout INI files of both languages and into the
pictures, so the rectangles the program hit-tests and the artwork always agree.

Rectangles are (x, y, width, height) in pixels of the page (the size of
main_mask.jpg). Each entry has a style that says how skingen draws it in the
normal, over and down pictures; its caption is drawn by the program itself, in
the interface language, so the pictures carry no language-specific text and
serve both languages.
"""

from dataclasses import dataclass
from typing import Optional, Tuple

Rect = Tuple[int, int, int, int]


@dataclass(frozen=True)
class Entry:
    rect: Rect
    style: str  # see skingen.STYLES
    en: str = ""
    cn: Optional[str] = None  # None: the same as en

    @property
    def caption_cn(self) -> str:
        return self.en if self.cn is None else self.cn


def E(x, y, w, h, style, en="", cn=None):
    return Entry((x, y, w, h), style, en, cn)


UNUSED = E(0, 0, 0, 0, "none")

# ---------------------------------------------------------------- sizes
PAGE_SIZE = (800, 600)
MENU_ITEM = (170, 26)        # first-level menu: width, row height (10 rows)
SUBMENU_ITEM = (190, 26)     # second-level menu: width, row height (12 rows)
WARNING_SIZE = (340, 150)
DPI_STEP = (66, 28)          # every DPI value step; dpi_slider.jpg has this size
JPEG_QUALITY = 85
MASK_JPEG_QUALITY = 95

# ---------------------------------------------------------------- look
PALETTE = {
    "bg_top": (24, 26, 33),
    "bg_bottom": (11, 12, 16),
    "header": (16, 17, 22),
    "outline": (62, 68, 82),
    "panel": (23, 26, 32),
    "panel_border": (44, 49, 60),
    "inset": (12, 13, 17),
    "inset_border": (56, 62, 76),
    "button_top": (50, 55, 66),
    "button_bottom": (33, 37, 45),
    "button_border": (72, 80, 96),
    "over_top": (62, 70, 86),
    "over_bottom": (42, 48, 60),
    "cyan": (0, 190, 255),
    "down_top": (214, 34, 46),
    "down_bottom": (132, 14, 24),
    "red": (236, 40, 52),
    "red_border": (255, 92, 100),
    "accent_top": (120, 22, 30),
    "accent_bottom": (78, 12, 18),
    "track": (74, 80, 94),
    "track_bg": (23, 26, 32),  # the DPI panel, flat so the slider thumb blends in
    "decor_text": (140, 148, 162),
    "white": (236, 240, 246),
}

# LED colours of the colour page's preview: stage n lights colour n.
LED_COLOURS = {
    "blue": (20, 120, 255),
    "pink": (255, 96, 180),
    "red": (255, 28, 36),
    "purple": (158, 58, 255),
    "gray": None,  # dark
}

FONTS = {
    "latin_bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "latin": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "cjk": "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
}

# ---------------------------------------------------------------- frame
# Entries 0..19 of the main table: shown on every page.
FRAME = {
    0: E(18, 318, 124, 30, "button", "Save", "保存"),
    1: E(14, 74, 132, 24, "caption", "PROFILES", "配置方案"),
    2: E(556, 556, 104, 32, "button", "Cancel", "取消"),
    3: E(672, 556, 112, 32, "accent", "Apply", "应用"),
    4: E(18, 106, 124, 32, "button", "Profile 1", "配置 1"),
    5: E(18, 146, 124, 32, "button", "Profile 2", "配置 2"),
    6: E(18, 186, 124, 32, "button", "Profile 3", "配置 3"),
    7: E(18, 226, 124, 32, "button", "Profile 4", "配置 4"),
    8: E(18, 266, 124, 32, "button", "Profile 5", "配置 5"),
    9: E(196, 18, 120, 38, "tab", "Main", "主页"),
    10: E(320, 18, 120, 38, "tab", "Advanced", "高级"),
    11: E(444, 18, 120, 38, "tab", "Lighting", "灯光"),
    12: E(722, 18, 30, 28, "icon_min"),
    13: E(756, 18, 30, 28, "icon_close"),
    14: E(18, 356, 124, 30, "button", "Import", "导入"),
    15: E(18, 394, 124, 30, "button", "Export", "导出"),
    16: E(18, 448, 124, 30, "button", "Defaults", "恢复默认"),
    17: E(614, 22, 46, 26, "button", "CN", "中文"),
    18: E(664, 22, 46, 26, "button", "EN", "EN"),
    19: E(18, 560, 150, 26, "link", "Website", "官方网站"),
}

# ---------------------------------------------------------------- main page
_BUTTON_ROW_Y = 106
_BUTTON_ROW_STEP = 36
_DPI_ROW_Y = 398
_DPI_ROW_STEP = 34
# Value index of each slider position, left to right: the values are
# 0 = 1200, 1 = 1600, 2 = 2400, 3 = 3200, 4 = 800 DPI, shown in rising order.
DPI_POSITION_VALUES = (4, 0, 1, 2, 3)
DPI_POSITION_LABELS = ("800", "1200", "1600", "2400", "3200")
_DPI_STEP_X = 334
_DPI_STEP_PITCH = 70
STAGE_COLOURS = ("blue", "pink", "red", "purple")


def _main_page():
    m = {
        20: E(176, 74, 290, 24, "header", "Button functions", "按键功能"),
        21: E(176, 340, 300, 24, "header", "DPI stages", "DPI 档位"),
        22: E(648, 74, 132, 24, "header", "Lighting", "灯光"),
        23: E(648, 184, 132, 24, "header", "Wheel", "滚轮"),
        24: E(490, 74, 146, 24, "header", "Layout", "按键位置"),
        31: E(176, 370, 40, 22, "caption", "On", "启用"),
        32: E(222, 370, 100, 22, "caption", "Stage", "档位"),
        33: UNUSED,
        34: E(708, 370, 70, 22, "caption", "Active", "当前"),
        35: UNUSED,
        36: E(648, 104, 132, 30, "button", "LED on", "灯光开"),
        37: E(648, 140, 132, 30, "button", "LED off", "灯光关"),
        38: UNUSED, 39: UNUSED, 40: UNUSED,
        41: E(648, 214, 132, 30, "button", "Standard", "标准"),
        42: E(648, 250, 132, 30, "button", "Reversed", "反向"),
        43: UNUSED, 44: UNUSED, 45: UNUSED,
        58: UNUSED, 59: UNUSED,
    }
    for b in range(6):
        y = _BUTTON_ROW_Y + b * _BUTTON_ROW_STEP
        m[25 + b] = E(210, y, 256, 28, "field")
        m[90 + b] = E(180, y + 2, 24, 24, "badge", str(b + 1))
    for n in range(4):
        y = _DPI_ROW_Y + n * _DPI_ROW_STEP
        m[46 + n] = E(186, y + 4, 20, 20, "check")
        m[50 + n] = E(222, y, 100, 28, "caption", f"Stage {n + 1}", f"档位 {n + 1}")
        m[54 + n] = E(730, y + 2, 24, 24, "radio")
        m[80 + n] = E(736, y + 8, 12, 12, "mark")
        for pos, value in enumerate(DPI_POSITION_VALUES):
            x = _DPI_STEP_X + pos * _DPI_STEP_PITCH
            m[60 + 5 * n + value] = E(x, y, DPI_STEP[0], DPI_STEP[1], "step")
    for i in list(range(84, 90)) + list(range(96, 99)):
        m[i] = UNUSED
    # Captions 90..95 are numbers for the pictures only: the program draws
    # captions of entries 0..53, so the badges are art, not text.
    return m


MAIN = {**FRAME, **_main_page()}

# ---------------------------------------------------------------- advanced page
EDIT = {
    3: (452, 404, 52, 24),   # repeat count
    4: (176, 356, 180, 24),  # macro name
}
MACRODISPLAY = {
    1: (176, 100, 180, 226),  # macro list
    2: (366, 100, 190, 226),  # event list
}


def _advanced_page():
    a = {
        0: E(176, 426, 86, 30, "button", "Import", "导入"),
        1: E(270, 426, 86, 30, "button", "Export", "导出"),
        2: E(176, 388, 86, 30, "button", "Add", "添加"),
        3: E(270, 388, 86, 30, "button", "Delete", "删除"),
        4: E(366, 362, 190, 32, "accent", "Record", "录制"),
        5: E(508, 401, 48, 30, "button", "Set", "确定"),
        6: E(366, 438, 190, 28, "check_left", "Repeat macro", "重复播放"),
        7: E(366, 472, 190, 28, "check_left", "Stop on release", "松开即停"),
        28: E(176, 74, 180, 22, "header", "Macros", "宏列表"),
        29: E(366, 74, 190, 22, "header", "Events", "宏事件"),
        30: E(588, 296, 186, 20, "bar"),
        31: E(742, 346, 32, 28, "button", "+", "+"),
        32: E(588, 346, 32, 28, "button", "-", "-"),
        33: E(626, 346, 110, 28, "value"),
        34: E(176, 334, 180, 20, "caption", "Macro name", "宏名称"),
        35: E(366, 404, 82, 24, "caption", "Count", "次数"),
        36: E(176, 512, 380, 22, "caption", "Right-click an event to edit it",
              "右键点击事件可编辑"),
        37: UNUSED,
        38: E(586, 104, 188, 22, "caption", "Pointer speed", "指针速度"),
        39: E(586, 158, 60, 18, "caption", "Slow", "慢"),
        40: E(714, 158, 60, 18, "caption", "Fast", "快"),
        41: E(586, 188, 188, 22, "caption", "Scroll lines", "滚动行数"),
        42: E(586, 268, 188, 22, "caption", "Fire interval", "连发间隔"),
        43: E(366, 330, 92, 22, "value"),
        44: E(464, 330, 92, 22, "value"),
        45: E(586, 240, 30, 18, "caption", "1", "1"),
        46: E(744, 240, 30, 18, "caption", "10", "10"),
        47: E(586, 320, 30, 18, "caption", "0", "0"),
        48: E(734, 320, 40, 18, "caption", "300", "300"),
        49: E(586, 74, 188, 22, "header", "Windows", "系统设置"),
        50: E(586, 392, 188, 22, "caption", "Press Apply to use", "点击应用后生效"),
    }
    for i in range(10):
        a[8 + i] = E(588 + i * 19, 130, 17, 22, "segment")
        a[18 + i] = E(588 + i * 19, 214, 17, 22, "segment")
    return a


ADVANCED = _advanced_page()

# ---------------------------------------------------------------- colour page
COLOR = {
    0: E(176, 106, 260, 34, "button", "Slow cycle", "慢速循环"),
    1: E(176, 148, 260, 34, "button", "Fast cycle", "快速循环"),
    2: E(176, 190, 260, 34, "button", "Steady", "常亮"),
    3: E(176, 232, 260, 34, "button", "Off", "关闭"),
    4: E(176, 276, 260, 22, "caption", "Preview shows the applied mode",
         "预览显示已应用的模式"),
    5: E(176, 74, 260, 24, "header", "Lighting mode", "灯光模式"),
    6: E(476, 74, 300, 24, "header", "Preview", "效果预览"),
    7: E(476, 418, 150, 30, "caption", "Active DPI", "当前 DPI"),
    8: E(176, 340, 260, 24, "header", "Stage colours", "档位颜色"),
    9: E(630, 418, 146, 30, "value"),
    10: E(176, 424, 260, 22, "caption", "DPI stages 1 to 4", "DPI 档位 1 至 4"),
    11: E(476, 104, 300, 300, "preview"),
    12: E(476, 460, 300, 22, "caption", "Apply sends the mode to the mouse",
          "点击应用发送到鼠标"),
}
# The stage colour legend of the colour page: swatch centres.
COLOR_LEGEND = [(206 + i * 66, 390) for i in range(4)]

# ---------------------------------------------------------------- warning dialog
WARNING = {
    0: E(40, 98, 120, 34, "button", "Continue", "继续"),
    1: E(180, 98, 120, 34, "button", "Cancel", "取消"),
    2: E(16, 40, 308, 40, "message", "Change the only Left Click button?",
         "这是唯一的左键，确定要更改吗？"),
}

# ---------------------------------------------------------------- function labels
# FUN_STRING 1..54: the label of each button function code, English and
# Chinese. 7..10 are the first-level menu rows that open the submenus.
LABELS = {
    1: ("Left Click", "左键"),
    2: ("Right Click", "右键"),
    3: ("Middle Click", "中键"),
    4: ("Back", "后退"),
    5: ("Forward", "前进"),
    6: ("DPI Cycle", "DPI循环"),
    7: ("Mouse Functions", "鼠标功能"),
    8: ("Multimedia", "多媒体"),
    9: ("User Macros", "用户宏"),
    10: ("Preset Macros", "预设宏"),
    11: ("Fire Key", "连发键"),
    12: ("Scroll Up", "滚轮向上"),
    13: ("Scroll Down", "滚轮向下"),
    14: ("Report Rate", "回报率切换"),
    15: ("DPI +", "DPI+"),
    16: ("DPI -", "DPI-"),
    17: ("Special Key", "特殊键"),
    18: ("Disabled", "禁用"),
    19: ("Disabled", "禁用"),
    20: ("Disabled", "禁用"),
    21: ("Home Page", "主页"),
    22: ("Media Player", "媒体播放器"),
    23: ("Email", "邮件"),
    24: ("Volume +", "音量+"),
    25: ("Volume -", "音量-"),
    26: ("Previous Track", "上一曲"),
    27: ("Next Track", "下一曲"),
    28: ("Mute", "静音"),
    29: ("Play/Pause", "播放/暂停"),
    30: ("Calculator", "计算器"),
    31: ("Copy", "复制"),
    32: ("Paste", "粘贴"),
    33: ("Cut", "剪切"),
    34: ("Undo", "撤销"),
    35: ("Redo", "重做"),
    36: ("Select All", "全选"),
    37: ("Double Click", "双击"),
    38: ("Triple Click", "三击"),
    39: ("Open Calculator", "打开计算器"),
    40: ("Command Prompt", "命令提示符"),
    **{41 + i: (f"Macro {i + 1}", f"宏 {i + 1}") for i in range(12)},
    53: ("Reserved", "保留"),
    54: ("Reserved", "保留"),
}

# The first-level menu rows that open a submenu (an arrow is drawn on them).
SUBMENU_ROWS = (7, 8, 9, 10)
