"""The card order tool (Mirlow.exe) in a dialogue as a technician holds it: its texts, and
play(), which runs the tool with the card simulator through a script.

A script is a list of steps, in order:
  - a str: what the tool shows next, exactly, as UTF-8 with "\\n" (the tool writes it as
    GBK bytes with "\\r\\n"). The driver waits for it, which is also how it keeps in step: the
    tool clears what it has seen just before its prompt, so an event sent earlier would not
    count, and it has read an answer only once it shows what follows;
  - Event(command): a card event, made over the simulator's control port;
  - Answer(text): a line the technician types;
  - END_OF_INPUT: nobody is left at the keyboard.
"""

import contextlib
import tempfile
from dataclasses import dataclass
from pathlib import Path

import winekit

OPEN_FAILED = "对不起，打开语音卡失败！\n"
ONLY_ONE_CARD = "本机只有一张卡。不用排序！\n\n"
CARD_COUNT = "\n本机共有 %d 张卡，现在他们排序，按 “quit” 退出程序。\n\n"
TAKE_CARD_OFF_HOOK = "请给第 %d 张卡的内线或高阻摘机，如果只有外线模块，请呼入电话。\n\n"
PRESS_KEY_TO_TEST = "按任意键检测下一张卡，按 “quit” 退出程序！\n\n"
NOT_FINISHED = "你没有完成所有卡的排序，请以后再试！\n\n"
NOTHING_DONE = "你还没有对第 %d 张卡进行任何操作！\n\n"
SAME_CARD_AGAIN = "你测试的好像还是上一次的卡，请测试下一张卡！\n\n"
OFF_HOOK_DETECTED = "检测到第 %d 张卡的摘机！\n\n"
RING_DETECTED = "检测到第 %d 张卡的振铃！\n\n"
PRESS_KEY_TO_EXIT = "按任何键退出程序！！\n\n"
ORDER_FINISHED = "排序完毕！结果如下，按“y”确认并将结果写入系统！按“n”放弃并退出程序！\n\n"
TABLE_HEADER = "\t\tCard\t\tLine\n"
TABLE_ROW = "\t\t%d\t\t%d\n"
DISCARDED = "放弃排序结果，请下次再排！\n\n"
WRITING = "写入系统中，请稍等！\n\n"
WRITE_DONE = "写入完毕！\n\n"
CALL_IN_EVENT = "line[%d],OnCallIn()\n"
RING_EVENT = "line[%d],OnRing()\n"

# The setting under which the library keeps a card position's line.
CARD_LINE_SETTING = 0x3008


def gbk(text):
    """Text as the tool writes it to a file or pipe."""
    return text.replace("\n", "\r\n").encode("gbk")


def as_shown(output):
    """The tool's bytes as a Chinese console shows them."""
    return output.decode("gbk", "replace").replace("\r\n", "\n")


@dataclass(frozen=True)
class Event:
    command: str  # a control-port command, such as "offhook 5"

    def play(self, dialogue):
        reply = dialogue.port().send(self.command)
        dialogue.narrate(f"  [card event: {self.command} -> {reply}]\n")
        if reply != "ok":
            raise AssertionError(f"the simulator refused {self.command!r}: {reply}")


@dataclass(frozen=True)
class Answer:
    text: str

    def play(self, dialogue):
        dialogue.narrate(f"  [typed: {self.text!r} and Enter]\n")
        dialogue.program.write_line(self.text)


class EndOfInput:
    def play(self, dialogue):
        dialogue.narrate("  [end of input]\n")
        dialogue.program.close_input()


END_OF_INPUT = EndOfInput()


def prompt(position):
    """What the tool shows when it waits for the card of a position."""
    return [TAKE_CARD_OFF_HOOK % position, PRESS_KEY_TO_TEST]


def place_by_off_hook(position, line):
    """One turn: the technician lifts a handset on the line and presses Enter."""
    return [
        *prompt(position),
        Event(f"offhook {line}"),
        CALL_IN_EVENT % line,
        Answer(""),
        OFF_HOOK_DETECTED % position,
    ]


def result_table(lines):
    """The ordering's result, lines[0] being the line of the first card position."""
    rows = [TABLE_ROW % (position, line) for position, line in enumerate(lines, 1)]
    return [ORDER_FINISHED, TABLE_HEADER, *rows]


def handled_event(code, param1, line):
    """The simulator's log of an event on a line that the tool's handler took."""
    return [f"Event {code} {param1} {line} 0 0", f"GetLineNumber {param1} {line} -> {line}"]


def written(lines):
    """The simulator's log of writing an ordering back, in position order."""
    return [
        f"WriteCardSetting {CARD_LINE_SETTING} 0 {position} {line} 0 0 -> 0"
        for position, line in enumerate(lines)
    ]


class Dialogue:
    """The running tool, its simulator's port once a step needs it, and the narrator."""

    def __init__(self, program, log, narrate, stack):
        self.program = program
        self.narrate = narrate
        self._log = log
        self._stack = stack
        self._port = None

    def port(self):
        if self._port is None:
            self._port = self._stack.enter_context(winekit.SimulatorPort(self._log))
        return self._port


@dataclass
class Played:
    completed: winekit.Completed
    shown: bytes  # what the script says the tool shows, as the tool writes it
    log: list  # the simulator's log lines, without the port's "Listening" line


def play(program, folder, script, narrate=lambda text: None, **simulator):
    """Runs the tool in the prefix from folder, with the card simulator set by simulator
    (see winekit.simulator_env), through the script; then ends its input and waits for it.

    Fails as soon as the tool shows something else than the script says. narrate() gets the
    tool's output as text and a line for each of the script's actions, as they happen.
    """
    with tempfile.TemporaryDirectory(prefix="kit-simulator-") as logs:
        log = Path(logs) / "Tarvel.log"
        env = winekit.simulator_env(log, **simulator)
        with contextlib.ExitStack() as stack:
            running = winekit.Running(program, cwd=folder, env=env, encoding="gbk")
            stack.enter_context(running)
            dialogue = Dialogue(running, log, narrate, stack)
            for step in script:
                if isinstance(step, str):
                    narrate(as_shown(running.expect(gbk(step))))
                else:
                    step.play(dialogue)
            completed = running.wait()
        lines = winekit.read_text(log).splitlines()
    shown = b"".join(gbk(step) for step in script if isinstance(step, str))
    # The port is a free one, different every run.
    return Played(completed, shown, [line for line in lines if not line.startswith("Listening ")])
