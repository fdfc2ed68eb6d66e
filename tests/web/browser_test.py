#!/usr/bin/python3
"""The station's page in headless Chromium, driven by Selenium, against
`tovrak share --sim` with a TCP client beside it: the page shows, tunes,
keys and releases the radio, and one without the token only shows it.

    browser_test.py TOVRAK SCREENSHOT_DIR

Screenshots at desktop and phone size are left in SCREENSHOT_DIR. Exits 77
(skipped) when the browser is not installed. Every wait is for something
to happen, with a deadline.
"""
import os
import re
import secrets
import shutil
import socket
import subprocess
import sys
import tempfile
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    print("python3-selenium is not installed: skipped")
    sys.exit(77)

CHROMIUM, DRIVER = "/usr/bin/chromium", "/usr/bin/chromedriver"
# As this machine's network is closed: nothing of Chromium's own reaches out.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync"]


def eventually(what, check, seconds=5.0):
    end = time.monotonic() + seconds
    while True:
        got = check()
        if got:
            return got
        if time.monotonic() > end:
            raise AssertionError(f"{what}: not within {seconds} s")
        time.sleep(0.05)


class Client:
    """A program on the share's TCP endpoint."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)

    def ask(self, query):
        self.sock.sendall(query.encode())
        answer = b""
        while not answer.endswith(b";"):
            answer += self.sock.recv(1)
        return answer.decode()

    def hz(self):
        return int(self.ask("FA;")[2:-1])


def main():
    tovrak, shots = sys.argv[1], sys.argv[2]
    if not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print("chromium and chromium-driver are not installed: skipped")
        return 77
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tovrak-browser-")
    token = secrets.token_urlsafe(18)
    with open(os.path.join(work, "token"), "w") as f:
        f.write(token + "\n")
    out = open(os.path.join(work, "share.out"), "w+")
    share = subprocess.Popen([tovrak, "share", "--sim", "--listen", "127.0.0.1:0", "--http",
                              "127.0.0.1:0", "--http-token", os.path.join(work, "token"),
                              "--plain", "--tx-timeout", "60"], stdout=out, stderr=out)
    driver = None
    try:
        def endpoint(kind):
            out.seek(0)
            m = re.search(rf"endpoint {kind} 127\.0\.0\.1:(\d+)", out.read())
            return m and int(m.group(1))
        tcp = Client(eventually("the TCP endpoint", lambda: endpoint("tcp")))
        url = f"http://127.0.0.1:{endpoint('http')}/"

        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in CHROMIUM_FLAGS + [f"--user-data-dir={work}/profile", "--window-size=1280,900"]:
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        find = lambda css: driver.find_element(By.CSS_SELECTOR, css)
        shown_hz = lambda: int(find("#vfo0 .freq").text.replace(".", "") or 0)

        def open_page(with_token, control):
            driver.get(url + (f"#token={token}" if with_token else ""))
            eventually("the page's access", lambda: find("#access").text == control)
            eventually("the radio on the page", lambda: shown_hz() > 0)

        # The page shows the radio, and follows another client's change.
        open_page(True, "in control")
        eventually("the radio's frequency", lambda: shown_hz() == tcp.hz())
        tcp.ask("FA07100000;FA;")
        eventually("the TCP client's tuning on the page", lambda: shown_hz() == 7_100_000)

        # Tuning by typing, and by a band button.
        entry = find("#vfo0 .entry input")
        entry.send_keys("7074\n")
        eventually("typed frequency at the TCP client", lambda: tcp.hz() == 7_074_000)
        next(b for b in driver.find_elements(By.CSS_SELECTOR, "#bands button")
             if b.text == "15").click()
        eventually("the 15 m band at the TCP client", lambda: 21_000_000 <= tcp.hz() <= 21_450_000)
        eventually("the band on the page", lambda: 21_000_000 <= shown_hz() <= 21_450_000)

        # An arrow key over the chosen digit, and the wheel over another.
        find("#vfo0 .freq").click()
        digit = driver.execute_script("return Number(document.querySelector('#vfo0 .freq .sel').dataset.i)")
        before = tcp.hz()
        ActionChains(driver).send_keys(Keys.ARROW_UP).perform()
        eventually("an arrow key's step", lambda: tcp.hz() == before + 10 ** (7 - digit))
        # The digits are drawn anew when the frequency changes: aim at the
        # hundreds once the page shows the step.
        eventually("the step on the page", lambda: shown_hz() == before + 10 ** (7 - digit))
        hundreds = driver.find_elements(By.CSS_SELECTOR, "#vfo0 .freq .d")[5]
        ActionChains(driver).scroll_from_origin(ScrollOrigin.from_element(hundreds), 0, 100).perform()
        eventually("a wheel's step", lambda: tcp.hz() == before + 10 ** (7 - digit) - 100)

        # Holding the transmit button keys the radio; letting go releases it.
        ptt = find("#ptt")
        ActionChains(driver).click_and_hold(ptt).perform()
        eventually("the radio keyed", lambda: tcp.ask("TX;") == "TX1;")
        ActionChains(driver).release(ptt).perform()
        eventually("the radio released", lambda: tcp.ask("TX;") == "TX0;")
        # The space bar too; the page losing focus lets go of it.
        find("#vfo0 .freq").click()
        ActionChains(driver).key_down(Keys.SPACE).perform()
        eventually("the radio keyed by Space", lambda: tcp.ask("TX;") == "TX1;")
        driver.execute_script("window.dispatchEvent(new Event('blur'))")
        eventually("the release when the page lost focus", lambda: tcp.ask("TX;") == "TX0;")
        ActionChains(driver).key_up(Keys.SPACE).perform()

        driver.save_screenshot(os.path.join(shots, "web-desktop.png"))
        driver.set_window_size(390, 844)
        driver.save_screenshot(os.path.join(shots, "web-phone.png"))
        driver.set_window_size(1280, 900)

        # Closing the tab while holding the button releases the radio.
        first = driver.current_window_handle
        driver.switch_to.new_window("tab")
        open_page(True, "in control")
        ActionChains(driver).click_and_hold(find("#ptt")).perform()
        eventually("the radio keyed from the second tab", lambda: tcp.ask("TX;") == "TX1;")
        driver.close()
        closed = time.monotonic()
        eventually("the release after the tab closed", lambda: tcp.ask("TX;") == "TX0;", 1.5)
        print(f"released {time.monotonic() - closed:.2f} s after the tab closed")
        driver.switch_to.window(first)

        # Without the token the server refuses control, whatever the page sends.
        driver.switch_to.new_window("tab")
        open_page(False, "read only")
        before = tcp.hz()
        driver.execute_script("ws.send(JSON.stringify({t: 'tune', vfo: 0, hz: 3600000}))")
        driver.execute_script("ws.send(JSON.stringify({t: 'ptt', on: true}))")
        eventually("the refusal on the page", lambda: "token" in find("#notes").text)
        assert tcp.hz() == before and tcp.ask("TX;") == "TX0;", "a page without the token controlled"
        print("the page shows, tunes, keys and releases the radio; without the token it only shows it")
        return 0
    finally:
        if driver:
            driver.quit()
        share.terminate()
        share.wait(10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
