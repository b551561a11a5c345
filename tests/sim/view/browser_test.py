#!/usr/bin/python3
"""The live page of tevrak-sim in a real browser (headless Chromium driven by
Selenium): the page follows a program that drives a square and ends where the
library's VWGetPosition says; "Unplug" makes the program's next command fail;
a keypad key reaches a program waiting in RCINGet; the joystick drives while
pressed and the drive stops on release, when the page stops sending (the
server's lease) and when the page is closed; the same page served by
tevrak-view from the library's tap follows the square read-only. Leaves a
screenshot of the page in the artefact folder and checks that it is not
blank.

    browser_test.py --sim P --square P --remote-keys P --view P --home DIR --artefacts DIR

--home is the robot folder the example programs were built for. With the
page open, the simulator wakes once per 20 ms tick (under 100 times a second
while the robot is idle; its main thread as often while it moves), and its
CPU load stays under 10 % of a core idle and 20 % moving, bounds a busy loop
still exceeds on a loaded machine."""

import argparse
import ctypes
import json
import os
import pty
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

WAIT = 60           # seconds for anything that should come soon: generous on a loaded machine
WHOLE_TEST = 300    # the watchdog ends the test (and cleans up) after this long
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


def die_with_parent():
    """In a child: gets SIGKILL when the test process ends."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Child:
    """A program whose output (through a pseudo-terminal, so that it is
    line-buffered) the test reads line by line."""

    def __init__(self, args, env=None):
        master, slave = pty.openpty()
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=slave, stderr=slave, env=env,
                                        preexec_fn=die_with_parent)
        os.close(slave)
        self.master = master
        self.text = ""
        self.ended = False

    def _read(self, timeout):
        if self.ended:
            return
        ready, _, _ = select.select([self.master], [], [], timeout)
        if not ready:
            return
        try:
            data = os.read(self.master, 4096)
        except OSError:  # EIO: the program closed its terminal
            data = b""
        if not data:
            self.ended = True
        self.text += data.decode(errors="replace").replace("\r\n", "\n")

    def wait_for(self, pattern, timeout=WAIT):
        """The first match of pattern in the output, waiting for it."""
        deadline = time.monotonic() + timeout
        while True:
            match = re.search(pattern, self.text)
            if match or self.ended or time.monotonic() > deadline:
                return match
            self._read(0.1)

    def wait_exit(self, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while self.process.poll() is None and time.monotonic() < deadline:
            self._read(0.1)
        drained = time.monotonic() + 2
        while not self.ended and time.monotonic() < drained:
            self._read(0.05)
        return self.process.poll()

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        os.close(self.master)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wakeups(pid, main_thread_only=False):
    """How often the process's threads (or only its main thread) went to sleep
    so far: its wake-ups, whatever the machine's load."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        if main_thread_only and task != str(pid):
            continue
        try:
            with open(f"/proc/{pid}/task/{task}/status") as status:
                total += sum(int(line.split()[1]) for line in status if line.startswith("voluntary_ctxt_switches:"))
        except FileNotFoundError:
            pass  # the thread ended
    return total


def wait_until(condition, what, timeout=WAIT):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1400,1150", f"--user-data-dir={profile}"):
        options.add_argument(argument)
    # A session of its own: whatever the driver starts can be swept up at the end.
    service = Service(CHROMEDRIVER, popen_kw={"start_new_session": True})
    driver = webdriver.Chrome(service=service, options=options)
    driver.set_page_load_timeout(WAIT)
    return driver, service.process.pid


def text_of(driver, element_id):
    return driver.find_element(By.ID, element_id).text


STOP_BOUND = 2  # seconds for the page's stop or the 0.3 s lease, beside a busy build


def commanded(sim, home):
    """The world's commanded speeds, from the simulator's status line (--answer)."""
    seen = len(sim.text)
    with open(os.path.join(home, "sim.ctl"), "w") as control:
        control.write("status\n")
    found = None

    def status_line():
        nonlocal found
        sim._read(0.1)
        found = re.search(r'^\{"board".*\}$', sim.text[seen:], re.M)
        return found
    wait_until(status_line, "the simulator's status")
    command = json.loads(found.group(0))["drive"]["command"]
    return command["linear"], command["angular"]


def press_stick(driver, up=40):
    """Holds the pointer on the joystick, up px above its centre."""
    canvas = driver.find_element(By.ID, "arena")
    wait_until(lambda: canvas.get_attribute("data-joystick") == "on", "the joystick")
    width, height = canvas.size["width"], canvas.size["height"]
    # The stick's centre lies 76 px (margin and radius) in from the lower right corner.
    x, y = width - 76, height - 76 - up
    ActionChains(driver).move_to_element_with_offset(canvas, int(x - width / 2), int(y - height / 2)) \
        .click_and_hold().perform()


def check_joystick(driver, sim, home, url):
    # Pressed: drives ahead; released: stops.
    press_stick(driver)
    wait_until(lambda: commanded(sim, home)[0] > 0, "the joystick to drive")
    ActionChains(driver).release().perform()
    wait_until(lambda: commanded(sim, home) == (0, 0), "the release to stop", timeout=STOP_BOUND)
    # Held while the page stops sending (a hung page, a broken link): the
    # server's lease stops the drive.
    press_stick(driver)
    wait_until(lambda: commanded(sim, home)[0] > 0, "the joystick to drive again")
    driver.execute_script("window.fetch = () => new Promise(() => {});")
    started = time.monotonic()
    wait_until(lambda: commanded(sim, home) == (0, 0), "the lease to stop", timeout=STOP_BOUND)
    print(f"browser: the lease stopped the drive {time.monotonic() - started:.2f} s after the page went quiet")
    ActionChains(driver).release().perform()
    # Held while the page is closed: stopped.
    main_window = driver.current_window_handle
    driver.switch_to.new_window("tab")
    driver.get(url)
    wait_until(lambda: text_of(driver, "connection") == "live", "the page in a new tab")
    press_stick(driver)
    wait_until(lambda: commanded(sim, home)[0] > 0, "the joystick in the new tab to drive")
    driver.close()
    wait_until(lambda: commanded(sim, home) == (0, 0), "closing the page to stop", timeout=STOP_BOUND)
    driver.switch_to.window(main_window)


def run(args, work):
    sim = Child([args.sim, "--home", args.home, "--view", "127.0.0.1:0", "--answer",
                 "--log", os.path.join(work, "frames.log")])
    children = [sim]
    driver = None
    driver_group = None
    try:
        url = sim.wait_for(r"tevrak-sim: view at (http://127\.0\.0\.1:\d+/)\n")
        check(url, "the simulator did not serve the page:\n" + sim.text)
        url = url.group(1)
        socket = sim.wait_for(r"export LIRC_SOCKET_PATH='([^']+)'\n").group(1)
        check(sim.wait_for(r"board ready"), "the simulator did not start:\n" + sim.text)

        driver, driver_group = start_browser(os.path.join(work, "profile"))
        driver.get(url)
        wait_until(lambda: text_of(driver, "connection") == "live", "the page's event stream")
        wait_until(lambda: text_of(driver, "odometry").startswith("x="), "the first state on the page")

        # 1. A square through the library: the page follows and ends where
        # VWGetPosition says.
        seen = set()
        cpu_before = cpu_seconds(sim.process.pid)
        ticks_before = wakeups(sim.process.pid, main_thread_only=True)
        started = time.monotonic()
        square = Child([args.square])
        children.append(square)
        while square.process.poll() is None and time.monotonic() - started < 3 * WAIT:
            seen.add(text_of(driver, "odometry"))
            time.sleep(0.1)
        moving_seconds = time.monotonic() - started
        moving_load = 100 * (cpu_seconds(sim.process.pid) - cpu_before) / moving_seconds
        moving_ticks = (wakeups(sim.process.pid, main_thread_only=True) - ticks_before) / moving_seconds
        check(square.wait_exit() == 0, "the square failed:\n" + square.text)
        sides = re.findall(r"after side \d: x=(-?\d+) y=(-?\d+) heading=(-?\d+)", square.text)
        check([side[2] for side in sides] == ["90", "180", "-90", "0"], "the square's headings:\n" + square.text)
        check(len(seen) >= 10, f"the page's pose hardly changed while the robot drove: {sorted(seen)}")
        # The page shows the board's odometry; its heading (hundredths of a
        # radian) is 0 as the library's (degrees) is.
        end = f"x={sides[-1][0]} y={sides[-1][1]} heading=0"
        wait_until(lambda: text_of(driver, "odometry") == end,
                   f"the page to show {end} (it shows {text_of(driver, 'odometry')})", timeout=10)
        check(text_of(driver, "drive-status") == "done", "drive status " + text_of(driver, "drive-status"))

        # The simulator's load with the page open, the robot idle.
        time.sleep(1)
        cpu_before = cpu_seconds(sim.process.pid)
        woken_before = wakeups(sim.process.pid)
        time.sleep(4)
        idle_load = 100 * (cpu_seconds(sim.process.pid) - cpu_before) / 4
        idle_wakeups = (wakeups(sim.process.pid) - woken_before) / 4
        print(f"browser: simulator {moving_load:.2f} % of a core and its main thread {moving_ticks:.0f} wake-ups/s "
              f"while the square ran; idle {idle_load:.2f} % and {idle_wakeups:.0f} wake-ups/s")
        check(idle_wakeups < 100 and moving_ticks < 100, "the simulator wakes more often than its ticks")
        check(idle_load < 10 and moving_load < 20, "the simulator works too hard")

        # 2. The page's picture, not blank.
        screenshot = os.path.join(args.artefacts, "view.png")
        driver.save_screenshot(screenshot)
        with Image.open(screenshot) as image:
            colours = image.convert("RGB").getcolors(1 << 20)
        check(colours is None or len(colours) > 50, f"the screenshot {screenshot} is nearly blank")
        drawn = driver.execute_script("""
            const canvas = document.getElementById("arena");
            const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
            let painted = 0;
            for (let i = 3; i < data.length; i += 4) painted += data[i] > 0 ? 1 : 0;
            return painted;""")
        check(drawn > 10000, f"the arena is not drawn ({drawn} pixels)")

        # 3. The real robot's page: tevrak-view on the tap, the same page,
        # read-only, follows the square to where VWGetPosition says.
        view = Child([args.view, "--home", args.home, "--view", "127.0.0.1:0"])
        children.append(view)
        view_url = view.wait_for(r"tevrak-view: view at (http://127\.0\.0\.1:\d+/)\n")
        check(view_url, "tevrak-view did not serve the page:\n" + view.text)
        driver.get(view_url.group(1))
        wait_until(lambda: driver.title == "tevrak-view" and text_of(driver, "connection") == "live", "the robot's page")
        for hidden in ("faults", "remote", "picture"):
            check(not driver.find_element(By.ID, hidden).is_displayed(), f"the robot's page shows #{hidden}")
        wait_until(lambda: driver.find_element(By.ID, "arena").get_attribute("data-joystick") == "off",
                   "the read-only page to go without a joystick")
        square = Child([args.square])
        children.append(square)
        check(square.wait_exit() == 0, "the square failed beside tevrak-view:\n" + square.text)
        sides = re.findall(r"after side \d: x=(-?\d+) y=(-?\d+) heading=(-?\d+)", square.text)
        end = f"x={sides[-1][0]} y={sides[-1][1]} heading=0"
        wait_until(lambda: text_of(driver, "odometry") == end, f"the robot's page to show {end}", timeout=10)
        wait_until(lambda: "odometry" in text_of(driver, "ages"), "the ages of the values")
        # The wall-follower reads sensors 1 and 3: each is a ray whose length
        # is the reading through its table, labelled with its number.
        follower = Child([args.wall_follow])
        children.append(follower)
        wait_until(lambda: re.search(r"\b1: \d+ mm.*\b3: \d+ mm", text_of(driver, "sensors")),
                   "the robot's page to show sensors 1 and 3 as distances", timeout=20)
        driver.save_screenshot(os.path.join(args.artefacts, "robot-view.png"))
        follower.process.kill()  # its guard stops the robot
        follower.process.wait()
        view.process.send_signal(signal.SIGINT)
        check(view.wait_exit() == 0, "tevrak-view did not end cleanly:\n" + view.text)

        driver.get(url)
        wait_until(lambda: text_of(driver, "connection") == "live", "the simulator's page again")

        # 4. Unplug while the square drives: its next command fails.
        square = Child([args.square])
        children.append(square)
        wait_until(lambda: text_of(driver, "drive-status") == "moving", "the second square to move")
        driver.find_element(By.ID, "unplug").click()
        check(square.wait_exit() == 1, "the square went on without its board:\n" + square.text)
        check("failed" in square.text, "no failure reported:\n" + square.text)
        wait_until(lambda: "unplugged" in text_of(driver, "fault-state"), "the page to show the unplugged board")
        driver.find_element(By.ID, "replug").click()
        wait_until(lambda: text_of(driver, "fault-state") == "plugged in, answering on time", "the replug")

        # 5. A keypad key reaches a program waiting in RCINGet.
        keys = Child([args.remote_keys], env=dict(os.environ, LIRC_SOCKET_PATH=socket))
        children.append(keys)
        check(keys.wait_for(r"press keys on the remote"), "remote_keys did not start:\n" + keys.text)
        driver.find_element(By.CSS_SELECTOR, '[data-key="KEY_UP"]').click()
        check(keys.wait_for(r"key 'U' \(85\)"), "the key did not arrive:\n" + keys.text)
        driver.find_element(By.CSS_SELECTOR, '[data-key="KEY_0"]').click()
        check(keys.wait_exit() == 0 and "key '0' (48)" in keys.text, "the 0 key did not end it:\n" + keys.text)

        # 6. The joystick.
        check_joystick(driver, sim, args.home, url)

        # The simulator ends cleanly (under the sanitizers: without findings).
        sim.process.send_signal(signal.SIGINT)
        check(sim.wait_exit() == 0, "the simulator did not end cleanly:\n" + sim.text)
        print("browser test passed")
    finally:
        if driver is not None:
            driver.quit()
        if driver_group is not None:
            try:
                os.killpg(driver_group, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for child in children:
            child.stop()


def main():
    parser = argparse.ArgumentParser()
    for name in ("--sim", "--square", "--wall-follow", "--remote-keys", "--view", "--home", "--artefacts"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    os.makedirs(args.artefacts, exist_ok=True)

    def watchdog(*_):
        raise TimeoutError(f"the browser test took over {WHOLE_TEST} s")
    signal.signal(signal.SIGALRM, watchdog)
    signal.alarm(WHOLE_TEST)
    with tempfile.TemporaryDirectory(prefix="tevrak-browser-") as work:
        run(args, work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
