#!/usr/bin/env python3
# The page in headless Chromium through Selenium: log in, send a text to a
# boxsim and find it in #record, discard a message held for box 2 (with the
# keyboard only, every control named), the length and cut notice while
# typing, see box 1's line change when its boxsim goes to standby, add a
# weekly reminder and find it in the list and in zlv-woch.txt, a calendar's
# event in #upcoming; the guide's screenshots. All in a network namespace of
# its own (only lo). Exit 77: skipped.
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
BOXES = ["10.77.0.2", "10.77.0.3"]
PASSWORD = "Sofa und Tee"
PORT = 8470


def skip(why):
    print(f"SKIPPED (browser_page): {why}")
    sys.exit(SKIP)


def fail(why, work=None):
    print(f"FAIL (browser_page): {why}", file=sys.stderr)
    for name in sorted(os.listdir(work)) if work else []:
        if name.endswith(".log"):
            with open(os.path.join(work, name), errors="replace") as f:
                print(f"----- {name}\n" + "".join(f.readlines()[-40:]), file=sys.stderr)
    sys.exit(1)


def enter_namespace():
    if os.environ.get("ZELVO_BROWSER_IN_NETNS") == "1":
        return
    if os.geteuid() != 0:
        skip("needs root: only root can give the simulated boxes a private network")
    for tool in ("unshare", "ip", "sysctl", "chromium", "chromedriver"):
        if not shutil.which(tool):
            skip(f"the tool {tool} is missing: make test installs it")
    try:
        import selenium  # noqa: F401
    except ImportError:
        skip("python3-selenium is missing: make test installs it")
    env = dict(os.environ, ZELVO_BROWSER_IN_NETNS="1")
    os.execvpe("unshare", ["unshare", "--net", "--", sys.executable, __file__] + sys.argv[1:], env)


def network():
    # Only lo: a namespace of our own, from which nothing can reach another network.
    links = subprocess.run(["ip", "-o", "link", "show"], capture_output=True, text=True, check=True).stdout
    if any(": lo:" not in line for line in links.splitlines()):
        fail("not inside a private network namespace")
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    for address in BOXES:
        subprocess.run(["ip", "addr", "add", address + "/32", "dev", "lo"], check=True)
    subprocess.run(["sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"], check=True)


def wait_until(what, seconds, check):
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        try:
            if check():
                return
        except Exception:  # the page redraws while it is read
            pass
        time.sleep(0.2)
    raise AssertionError(f"not within {seconds} s: {what}")


def box_mode(address, mode):
    with socket.create_connection((address, 80), timeout=5) as s:
        s.sendall(f"GET /boxsim/mode?set={mode} HTTP/1.1\r\nHost: box\r\nConnection: close\r\n\r\n".encode())
        answer = b""
        while chunk := s.recv(4096):
            answer += chunk
    if not answer.strip().endswith(mode.encode()):
        raise AssertionError(f"the simulator at {address} did not switch to {mode}")


def main():
    enter_namespace()
    network()
    headless = os.environ["ZELVO_HEADLESS_BIN"]
    boxsim = os.environ["BOXSIM_BIN"]
    shots = os.environ.get("ZELVO_SCREENSHOTS") or tempfile.mkdtemp()
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="zelvo-browser-")
    processes = []
    try:
        with open(os.path.join(work, "boxip.ini"), "w", newline="") as f:
            f.write("".join(a + "\r\n" for a in BOXES + ["0.0.0.0", "0.0.0.0"]) + " 0 \r\n" * 4)
        with open(os.path.join(work, "zelvo.ini"), "w", newline="") as f:
            f.write(f"[Webseite]\r\nPort={PORT}\r\nAdresse=127.0.0.1\r\n")
        # An event the day after tomorrow, in UTC, for "Demnächst".
        start = time.strftime("%Y%m%dT100000Z", time.gmtime(time.time() + 2 * 86400))
        with open(os.path.join(work, "familie.ics"), "w", newline="") as f:
            f.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                    f"DTSTART:{start}\r\nSUMMARY:Chorprobe\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        subprocess.run([headless, "web-password", "--folder", work], input=PASSWORD + "\n", text=True,
                       check=True, capture_output=True)
        for n, (address, mode) in enumerate(zip(BOXES, ["tv", "standby"]), start=1):
            log = open(os.path.join(work, f"boxsim{n}.log"), "w")
            processes.append(subprocess.Popen([boxsim, "--address", address, "--port", "80", "--mode", mode,
                                               "--out", os.path.join(work, f"box{n}.jsonl")],
                                              stdout=log, stderr=subprocess.STDOUT))
        log = open(os.path.join(work, "zelvo.log"), "w")
        processes.append(subprocess.Popen([headless, "--folder", work], stdout=log, stderr=subprocess.STDOUT))
        wait_until("the page listens", 20,
                   lambda: socket.create_connection(("127.0.0.1", PORT), timeout=1).close() is None)
        browse(shots, work)
    except AssertionError as e:
        fail(str(e), work)
    finally:
        for p in reversed(processes):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        if not os.environ.get("ZELVO_BROWSER_KEEP"):
            shutil.rmtree(work, ignore_errors=True)
    print("browser_page: passed")


def browse(shots, work):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                "--lang=de-DE", "--window-size=1280,800"):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    try:
        find = lambda css: driver.find_element(By.CSS_SELECTOR, css)  # noqa: E731
        driver.get(f"http://127.0.0.1:{PORT}/")
        wait_until("the login form", 10, lambda: find("#password").is_displayed())
        # The keyboard alone, from the login to discarding a held message.
        keys = ActionChains(driver)
        focused = lambda: driver.switch_to.active_element.get_attribute("id")  # noqa: E731

        def tab_to(element_id, most=12):
            for _ in range(most):
                if focused() == element_id:
                    return
                ActionChains(driver).send_keys(Keys.TAB).perform()
            raise AssertionError(f"Tab never reaches #{element_id} (focus on #{focused()})")

        wait_until("the password focused", 5, lambda: focused() == "password")
        keys.send_keys(PASSWORD).send_keys(Keys.TAB).perform()
        if focused() != "login":
            raise AssertionError(f"Tab from the password goes to #{focused()}, not the login button")
        ActionChains(driver).send_keys(Keys.ENTER).perform()
        wait_until("box 1 on after the login", 40,
                   lambda: find("#boxes li[data-box='1']").get_attribute("data-state") == "on")
        wait_until("box 2 in standby", 20,
                   lambda: find("#boxes li[data-box='2']").get_attribute("data-state") == "standby")
        # Every control has a name, and the lamps' colours have words beside them.
        unnamed = driver.execute_script("""
            return [...document.querySelectorAll('input, select, textarea, button')]
              .filter((e) => e.offsetParent !== null && !(e.labels && e.labels.length)
                             && !e.getAttribute('aria-label') && !e.textContent.trim())
              .map((e) => e.id || e.outerHTML);""")
        if unnamed:
            raise AssertionError(f"controls without a label: {unnamed}")
        for line in driver.find_elements(By.CSS_SELECTOR, "#boxes li"):
            if not any(w in line.text for w in ("an,", "im Standby", "aus,", "unbekannt")):
                raise AssertionError(f"a lamp without words: {line.text!r}")
        if find("#outcome").get_attribute("aria-live") != "polite":
            raise AssertionError("the outcome is not read out")

        # The calendar's event under "Demnächst", with its source.
        wait_until("the event in #upcoming", 10, lambda: "Chorprobe" in find("#upcoming").text
                   and "familie.ics" in find("#upcoming").text)

        # A text to box 1: delivered, in the record, on the wire.
        tab_to("text")
        ActionChains(driver).send_keys("Essen ist fertig").perform()
        tab_to("box1")
        ActionChains(driver).send_keys(Keys.SPACE).perform()
        tab_to("popup")
        tab_to("send")
        ActionChains(driver).send_keys(Keys.ENTER).perform()
        wait_until("box 1's outcome", 20, lambda: "Box 1: zugestellt" in find("#outcome").text)
        wait_until("the text in the record", 5, lambda: "Essen ist fertig" in find("#record").text)

        # A text to box 2 in standby: held, then discarded with the keyboard.
        find("#text").clear()
        find("#text").send_keys("Wäsche aufhängen")
        find("#box1").click()
        find("#box2").click()
        find("#send").click()
        wait_until("box 2's text held", 20, lambda: "Box 2: zurückgehalten" in find("#outcome").text)
        wait_until("the held list", 5, lambda: "Wäsche aufhängen" in find("#held").text)
        driver.save_screenshot(os.path.join(shots, "webseite-desktop.png"))
        tab_to(find("#held .discard").get_attribute("id"))
        ActionChains(driver).send_keys(Keys.SPACE).perform()
        wait_until("the held message gone", 5, lambda: "Wäsche aufhängen" not in find("#held").text)
        wait_until("discarded in the record", 5, lambda: "verworfen" in find("#record").text)
        wait_until("the focus kept in the held list", 5, lambda: focused() == "heldTitle")

        # The length while typing: the dialog's words, before anything is sent.
        find("#text").clear()
        find("#text").send_keys("Tee & Kuchen " * 200)
        wait_until("the cut notice while typing", 5,
                   lambda: "Der Text ist zu lang für eine Nachricht an die D-Box." in find("#length").text
                   and find("#length").text.startswith("2.600 Zeichen, davon kommen "))
        driver.execute_script("arguments[0].scrollIntoView()", find("#text"))
        driver.save_screenshot(os.path.join(shots, "webseite-laenge.png"))
        find("#text").clear()
        find("#text").send_keys("Gute Nacht")
        wait_until("the count of a short text", 5, lambda: find("#length").text == "10 Zeichen")

        # A weekly reminder, chosen with the form's controls: in the list and in the file.
        find("#listWeekly").click()
        wait_until("the empty weekly list", 5, lambda: "Die Liste ist leer." in find("#lines").text)
        find("#addReminder").click()
        Select(find("#day")).select_by_visible_text("Mittwoch")
        # "A": the morning, where the browser shows times with AM/PM.
        find("#trigger").send_keys("0725A")
        find("#event").send_keys("0730A")
        Select(find("#reminderBox")).select_by_visible_text("Box 2")
        find("#reminderText").send_keys("Gelbe Säcke raus")
        find("#saveReminder").click()
        wait_until("the reminder in the list", 5,
                   lambda: "Mittwoch, 07:25 (Termin 07:30) · Popup · Box 2" in find("#lines li[data-line='1']").text
                   and "Gelbe Säcke raus" in find("#lines").text)
        with open(os.path.join(work, "zlv-woch.txt"), "rb") as f:
            written = f.read()
        if written != "mi 07:25 07:30 p 2 Gelbe Säcke raus\r\n".encode("cp1252"):
            raise AssertionError(f"zlv-woch.txt holds {written!r}")
        driver.execute_script("arguments[0].scrollIntoView()", find("#remindersSection"))
        driver.save_screenshot(os.path.join(shots, "webseite-erinnerungen.png"))
        find("#lines li[data-line='1'] button[aria-label='Zeile 1 jetzt senden']").click()
        wait_until("sent now to box 2 in standby", 20, lambda: find("#listMessage").text.startswith("Box 2: "))

        # Changed in a text editor while the form is open: nothing is written over it.
        find("#lines li[data-line='1'] button[aria-label='Zeile 1 ändern']").click()
        with open(os.path.join(work, "zlv-woch.txt"), "ab") as f:
            f.write(b"so 10:00 10:00 m 1 von Hand\r\n")
        find("#reminderText").send_keys(" und blaue")
        find("#saveReminder").click()
        wait_until("the change refused", 5, lambda: "wurde inzwischen geändert" in find("#formMessage").text
                   and "von Hand" in find("#lines").text)
        find("#saveReminder").click()
        wait_until("the change saved into the new state", 5,
                   lambda: "Gelbe Säcke raus und blaue" in find("#lines li[data-line='1']").text
                   and "von Hand" in find("#lines li[data-line='2']").text)

        # Box 1 switched to standby: its line changes without a reload.
        box_mode(BOXES[0], "standby")
        wait_until("box 1's line in standby", 30,
                   lambda: find("#boxes li[data-box='1']").get_attribute("data-state") == "standby"
                   and "im Standby" in find("#boxes li[data-box='1']").text)

        driver.set_window_size(360, 740)
        time.sleep(0.5)
        driver.save_screenshot(os.path.join(shots, "webseite-telefon.png"))
        find("#logout").click()
        wait_until("logged out", 5, lambda: find("#password").is_displayed())
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
