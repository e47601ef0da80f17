"""Mirlow on a terminal, native or under Wine: the technician orders two cards with
keys while the simulator makes the events, and the Chinese prompts read right.

    test_mirlow_screen.py native MIRLOW   the native build, against the native simulator
    test_mirlow_screen.py                 Mirlow.exe and the simulator's Tarvel.dll under
                                          Wine (KIT_E2E_MIRLOW, KIT_E2E_CARDSIM, KIT_E2E_PREFIX)
"""

import shlex
import shutil
import sys
import tempfile
from pathlib import Path

from tmux_screen import Screen, assert_shown_in_order, winekit

ORDER_FINISHED = "排序完毕！结果如下，按“y”确认并将结果写入系统！按“n”放弃并退出程序！"
# Lines as the screen shows them; runs of blanks (the table's tabs) read as one.
EXPECTED = [
    "本机共有 2 张卡，现在他们排序，按 “quit” 退出程序。",
    "请给第 1 张卡的内线或高阻摘机，如果只有外线模块，请呼入电话。",
    "按任意键检测下一张卡，按 “quit” 退出程序！",
    "line[3],OnCallIn()",
    "检测到第 1 张卡的摘机！",
    "请给第 2 张卡的内线或高阻摘机，如果只有外线模块，请呼入电话。",
    "你还没有对第 2 张卡进行任何操作！",
    "line[5],OnRing()",
    "检测到第 2 张卡的振铃！",
    ORDER_FINISHED,
    "Card Line",
    "1 3",
    "2 5",
    "写入系统中，请稍等！",
    "写入完毕！",
    "按任何键退出程序！！",
    "[exit 0]",
]


def command_line(native, folder, log):
    """The shell command and environment that start Mirlow in folder."""
    if native:
        env = {"TARVEL_SIM_LOG": str(log), "TARVEL_SIM_PORT": "0"}
        return shlex.quote(str(Path(native).resolve())), env
    shutil.copy(winekit.setting("KIT_E2E_MIRLOW"), folder / "Mirlow.exe")
    shutil.copy(winekit.setting("KIT_E2E_CARDSIM"), folder / "Tarvel.dll")
    env = winekit.wine_env(winekit.setting("KIT_E2E_PREFIX"), winekit.simulator_env(log))
    return "wine Mirlow.exe", env


def main(native=None):
    with tempfile.TemporaryDirectory(prefix="kit-screen-") as folder:
        log = Path(folder) / "sim.log"
        command, env = command_line(native, Path(folder), log)
        with Screen(command, cwd=folder, env=env) as screen:
            prompt = "按任意键检测下一张卡，按 “quit” 退出程序！"
            screen.wait_for(prompt)
            with winekit.SimulatorPort(log) as port:
                port.send("offhook 3")
                screen.keys("Enter")
                screen.wait_for(prompt, 2)
                screen.keys("Enter")  # nothing done on card 2 yet
                screen.wait_for(prompt, 3)
                port.send("ring 5")
                screen.keys("Enter")
            screen.wait_for(ORDER_FINISHED)
            screen.keys("y", "Enter")
            screen.wait_for("按任何键退出程序！！")
            screen.keys("x")  # any key, without Enter
            assert_shown_in_order(screen.wait_for("[exit 0]"), EXPECTED)
    print(f"{'native' if native else 'Wine'} Mirlow reads right on the screen")


if __name__ == "__main__":
    if sys.argv[1:2] not in ([], ["native"]) or len(sys.argv) not in (1, 3):
        sys.exit(__doc__)
    main(*sys.argv[2:])
