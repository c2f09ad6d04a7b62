"""Starts the program with its accessibility on, logs in and reads both windows over AT-SPI.

Prints one Qt Test-like line per check (the suite counts them); exits 1 on the first failure.
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

APP, DB = sys.argv[1], sys.argv[2]
failed = False


def check(name, ok, detail=""):
    global failed
    if ok:
        print(f"PASS   : atspi::{name}()")
    else:
        print(f"FAIL!  : atspi::{name}() {detail}")
        failed = True
    sys.stdout.flush()


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find(root, role, name=None):
    for node in walk(root):
        if node.getRoleName() == role and (name is None or node.name == name):
            return node
    return None


def find_all(root, role):
    return [n for n in walk(root) if n.getRoleName() == role]


def wait_for(get, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = get()
        if found:
            return found
        time.sleep(0.25)
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        # Named after the executable until the title is set; a registry may keep either.
        if app is not None and app.name.lower() == "tallyvane":
            return app
    return None


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return None


def actions(node):
    action = node.queryAction()
    return [action.getName(i) for i in range(action.nActions)]


def press(node):
    action = node.queryAction()
    action.doAction(actions(node).index("Press"))


def login_dialog(app):
    dialog = wait_for(lambda: find(app, "dialog", "login-用户登录"))
    check("loginDialog", dialog is not None)
    if not dialog:
        return False
    combo = find(dialog, "combo box", "用户名")
    check("loginNameField", combo is not None and labelled_by(combo) == "用户名")
    password = find(dialog, "password text", "口  令")
    check("loginPasswordField", password is not None and labelled_by(password) == "口  令")
    for caption in ("新口令", "重口令"):
        field = find(dialog, "password text", caption)
        check("loginNewPasswordField", field is not None and labelled_by(field) == caption)
    ok = find(dialog, "push button", "确定(O)")
    check("loginButtons", ok is not None and "Press" in actions(ok))
    if not (combo and password and ok):
        return False
    find(combo, "text").queryEditableText().setTextContents("demo")
    password.queryEditableText().setTextContents("demo")
    press(ok)
    return True


def monitor_window(app):
    window = wait_for(lambda: find(app, "frame", "A00Main-主界面"))
    check("monitorWindow", window is not None)
    if not window:
        return
    # The header: each value a label named by its caption, reading the value shown.
    values = {}
    for caption in ("AI提示", "离下期开奖", "本期号码"):
        label = next((n for n in find_all(window, "label")
                      if n.name == caption and labelled_by(n) == caption), None)
        values[caption] = text_of(label) if label else None
    check("headerValues", all(values.values()), values)
    check("winningNumber", re.fullmatch(r"\d{5}", values["本期号码"] or "") is not None,
          values["本期号码"])
    check("countdown", re.fullmatch(r"-?\d+", values["离下期开奖"] or "") is not None,
          values["离下期开奖"])
    for caption in ("查询(Q)", "退出(X)"):
        button = find(window, "push button", caption)
        check("headerButton", button is not None and "Press" in actions(button), caption)

    tabs = find(window, "page tab list")
    names = [t.name for t in find_all(tabs, "page tab")] if tabs else []
    check("pageTabs", names == ["实时状态盘", "机器人对比", "追号大势", "报警记录", "全体走势"], names)
    selected = [t.name for t in find_all(tabs, "page tab")
                if t.getState().contains(pyatspi.STATE_SELECTED)] if tabs else []
    check("selectedTab", selected == ["实时状态盘"], selected)

    history = find(window, "table", "实时状态盘")
    check("historyTable", history is not None)
    if history:
        table = history.queryTable()
        # The grids load with the first tick after the window is shown.
        wait_for(lambda: table.nRows > 0)
        headers = [table.getColumnHeader(c).name for c in range(table.nColumns)]
        check("historyShape", (table.nRows, table.nColumns) == (30, 9),
              (table.nRows, table.nColumns))
        check("historyHeaders", headers[:4] == ["彩票期数", "奖号", "开奖时间", "余额"], headers)
        first = table.getAccessibleAt(0, 0).name
        check("historyCell", re.fullmatch(r"\d{8}-\d{4}", first) is not None, first)
        check("historyCurrentRow", table.isRowSelected(0) and not table.isRowSelected(1))
        # Every record is there, the last one too, out of view.
        last = table.getAccessibleAt(table.nRows - 1, 0).name
        check("historyLastCell", re.fullmatch(r"\d{8}-\d{4}", last) is not None and last < first,
              (first, last))
    comparison = find(window, "table", "机器人对比")
    if comparison:
        table = comparison.queryTable()
        robots = [table.getAccessibleAt(r, 0).name for r in range(table.nRows)]
        check("comparisonTable", table.nRows == 11 and "追0" in robots, robots)
    else:
        check("comparisonTable", False)

    chart = find(window, "chart")
    description = chart.description if chart else ""
    check("chartDescription",
          re.fullmatch(r"追0：30 个点，第一个 -?\d+，最后一个 -?\d+，最高 -?\d+，最低 -?\d+",
                       description) is not None, description)
    status = find(window, "status bar")
    line = text_of(status) if status else ""
    check("statusBar", (line or "").startswith("数据来源：demo.db"), line)

    # A tab pressed through its action brings its page forward.
    if tabs:
        press(find(tabs, "page tab", "追号大势"))
        now = wait_for(lambda: [t.name for t in find_all(tabs, "page tab")
                                if t.getState().contains(pyatspi.STATE_SELECTED)] == ["追号大势"])
        check("tabPressed", bool(now))


env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
log = open(os.path.join(os.path.dirname(DB), "program.log"), "w+")
program = subprocess.Popen([APP, "--sqlite", DB], env=env, stdout=log, stderr=log)
try:
    app = wait_for(application, 60)
    log.seek(0)
    check("application", app is not None, log.read())
    if app and login_dialog(app):
        monitor_window(app)
finally:
    program.terminate()
    try:
        program.wait(10)
    except subprocess.TimeoutExpired:
        program.kill()
sys.exit(1 if failed else 0)
