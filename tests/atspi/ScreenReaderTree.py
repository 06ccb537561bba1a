"""Walks the recorder's accessibility tree over AT-SPI and checks what a
screen reader would read: every control by role and name, the title bar's
buttons with a press action, the status text before and after Record, and
the announcement of the change."""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The action and value getters of this Debian release warn of newer names.
warnings.simplefilter("ignore", DeprecationWarning)

CAPTION = "Tamsel录音机"
failures = []
passed = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    (passed if ok else failures).append(what)


def find_frame(deadline):
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is None:
                continue
            for j in range(app.get_child_count()):
                top = app.get_child_at_index(j)
                if top is not None and top.get_name() == CAPTION:
                    return top
        time.sleep(0.2)
    return None


def walk(node, found):
    found.append(node)
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, found)
    return found


def named(nodes, role, name):
    return [n for n in nodes if n.get_role_name() == role and n.get_name() == name]


def actions(node):
    action = node.get_action_iface()
    if action is None:
        return []
    return [action.get_action_name(i) for i in range(action.get_n_actions())]


def press(node):
    action = node.get_action_iface()
    for i in range(action.get_n_actions()):
        if action.get_action_name(i) == "Press":
            return action.do_action(i)
    return False


def status_panels(frame):
    bars = [n for n in walk(frame, []) if n.get_role_name() == "status bar"]
    if not bars:
        return []
    return [bars[0].get_child_at_index(i).get_name() for i in range(bars[0].get_child_count())]


frame = find_frame(time.time() + 30)
check(frame is not None, "the window is found by its caption")
if frame is None:
    sys.exit(1)
check(frame.get_role_name() == "frame", "the window is a frame (" + frame.get_role_name() + ")")

nodes = walk(frame, [])
for name in ("窗口菜单", "最小化", "关闭"):
    buttons = named(nodes, "push button", name)
    check(len(buttons) == 1, "title-bar button " + name)
    if buttons:
        check("Press" in actions(buttons[0]), name + " can be pressed")
for name in ("录制", "停止", "播放", "格式", "退出", "保存", "官网"):
    check(len(named(nodes, "push button", name)) == 1, "push button " + name)
scope = [n for n in nodes if n.get_name() == "示波器"]
check(len(scope) == 1 and scope[0].get_role_name() == "image", "the oscilloscope is a named image")
check(bool(scope and scope[0].get_description()), "the oscilloscope says what it shows")
check(len(named(nodes, "list", "转换步骤")) == 1, "the list of conversion steps")
bar = named(nodes, "progress bar", "播放进度")
check(len(bar) == 1 and bar[0].get_value_iface() is not None, "the progress bar with its value")
links = [n for n in nodes if n.get_role_name() == "link"]
check(len(links) == 2 and all("Press" in actions(n) for n in links), "two links that can be followed")
check(status_panels(frame)[:1] == ["已停止"], "the status reads " + repr(status_panels(frame)))
unnamed = [n.get_role_name() for n in nodes
           if n.get_role_name() in ("push button", "link", "list", "image", "progress bar") and not n.get_name()]
check(not unnamed, "no control without a name: " + repr(unnamed))

# Record from outside, and hear the status change as a reader does.
heard = []


def on_name(event):
    if event.source is not None and event.source.get_name().startswith("正在录制"):
        heard.append(event.source.get_name())


listener = Atspi.EventListener.new(on_name)
listener.register("object:property-change:accessible-name")
check(press(named(nodes, "push button", "录制")[0]), "Record pressed")
loop = GLib.MainLoop()
GLib.timeout_add(3000, loop.quit)
loop.run()
panels = status_panels(frame)
check(bool(panels) and panels[0].startswith("正在录制 00:00:0"), "the status reads " + repr(panels))
check(len(panels) > 1 and panels[1] != "", "the format is read beside it")
check(bool(heard), "the change of state was announced")
press(named(nodes, "push button", "停止")[0])
time.sleep(0.5)
check(status_panels(frame)[:1] == ["已停止"], "stopped again")

print("%d passed, %d failed" % (len(passed), len(failures)))
sys.exit(1 if failures else 0)
