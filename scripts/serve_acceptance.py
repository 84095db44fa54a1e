"""The venue server's page in headless chromium; see scripts/acceptance-serve."""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

build, art, screenshot_to = sys.argv[1], sys.argv[2], sys.argv[3]
cli = os.path.join(build, "cli", "tonvara-cli")
sim = os.path.join(build, "sim", "tonvara-target-sim")
work = tempfile.mkdtemp()
processes = []
passes = failures = 0

# Every wait polls for its effect and gives up after its own bound; the bounds are generous
# because the machine may be busy, and a passing run never waits for them.
CONNECT_TIMEOUT = 40
STEP_TIMEOUT = 15
PHONE_WIDTH = 375


def step(name, ok, reason=""):
    global passes, failures
    print(f"{name:<32} {'ok' if ok else 'FAIL ' + reason}", flush=True)
    if ok:
        passes += 1
    else:
        failures += 1
    return ok


def wait_until(predicate, timeout):
    end = time.time() + timeout
    while time.time() < end:
        try:
            if predicate():
                return True
        except Exception:  # the page may be between renders
            pass
        time.sleep(0.1)
    return False


def start_sim(name):
    trace = open(os.path.join(art, f"{name}-trace.txt"), "w")
    link = os.path.join(work, name)
    process = subprocess.Popen([sim, "--trace", "--link", link], stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=trace)
    processes.append(process)
    if not wait_until(lambda: os.path.exists(link), 10):
        raise SystemExit(f"the simulator {name} did not start")
    return link


def trace_has(name, frame):
    with open(os.path.join(art, f"{name}-trace.txt")) as f:
        return any(line.strip() == f"rx {frame}" for line in f)


def api(port, method, path, body=None):
    request = urllib.request.Request(f"http://127.0.0.1:{port}{path}", method=method,
                                     data=json.dumps(body).encode() if body else None)
    with urllib.request.urlopen(request, timeout=STEP_TIMEOUT) as answer:
        return answer.status, json.load(answer)


def card(driver, room):
    for element in driver.find_elements(By.CSS_SELECTOR, "section.card"):
        if element.find_element(By.CSS_SELECTOR, ".room-name").text == room:
            return element
    raise LookupError(room)


driver = None
server = None
try:
    bar = start_sim("bar")
    side = start_sim("side")
    baseline = os.path.join(work, "baseline.Lumaroch")
    subprocess.run([cli, "read", "--port", bar, "--output", baseline], check=True,
                   stdout=subprocess.DEVNULL)
    venue = os.path.join(work, "harbour.venue")
    with open(venue, "w") as f:
        f.write(f"[Venue]\nName=Harbour\n\n[Room Bar]\nPort={bar}\nBaseline={baseline}\n\n"
                f"[Room Side Room]\nPort={side}\nBaseline={baseline}\n")
    server_log = open(os.path.join(art, "serve.txt"), "w+")
    server = subprocess.Popen([cli, "serve", venue, "--listen", "127.0.0.1:0"],
                              stdout=server_log, stderr=subprocess.STDOUT)
    processes.append(server)
    port = None

    def serving():
        global port
        server_log.seek(0)
        found = re.search(r"serving Harbour on http://127\.0\.0\.1:(\d+)/", server_log.read())
        port = found and int(found.group(1))
        return port

    if not step("server listens", wait_until(serving, STEP_TIMEOUT), "no 'serving' line"):
        raise SystemExit(1)

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                 f"--user-data-dir={os.path.join(work, 'profile')}", "--window-size=390,1100"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    # A phone's width: headless windows are at least 500 px wide, so the page is emulated.
    phone = {"width": PHONE_WIDTH, "height": 1100, "deviceScaleFactor": 1, "mobile": True}
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", phone)
    driver.get(f"http://127.0.0.1:{port}/")

    def both_connected():
        states = [card(driver, room).find_element(By.CSS_SELECTOR, ".state").text
                  for room in ("Bar", "Side Room")]
        return states == ["connected", "connected"]

    step("page shows both rooms", wait_until(both_connected, CONNECT_TIMEOUT),
         "the two cards did not both say connected")
    step("page is live", wait_until(
        lambda: driver.find_element(By.ID, "live").text == "Live", STEP_TIMEOUT),
        "the event socket did not open")

    mute = card(driver, "Side Room").find_element(By.CSS_SELECTOR, "button.mute")
    wait_until(mute.is_enabled, STEP_TIMEOUT)
    mute.click()
    step("Mute reaches its room", wait_until(
        lambda: trace_has("side", "CD,02,07,00,00,01"), STEP_TIMEOUT),
        "the simulator got no CD,02,07,00,00,01")
    step("Mute shows pressed", wait_until(
        lambda: mute.get_attribute("aria-pressed") == "true", STEP_TIMEOUT),
        "the button did not turn on")
    step("other room untouched", not trace_has("bar", "CD,02,07,00,00,01"),
         "Bar received the mute frame")

    status, _ = api(port, "POST", "/api/rooms/Bar/settings", {"START1": 61, "KEY": 7})
    level = card(driver, "Bar").find_element(By.CSS_SELECTOR, 'output[data-for="START1"]')
    key = card(driver, "Bar").find_element(By.CSS_SELECTOR, 'select[data-key="KEY"]')
    step("API change shows on page", status == 200 and wait_until(
        lambda: level.text == "61" and key.get_attribute("value") == "7", STEP_TIMEOUT),
        f"status {status}, page shows {level.text}")

    status, _ = api(port, "POST", "/api/rooms/Bar/release")
    bar_card = card(driver, "Bar")
    step("a released room shows plainly", status == 200 and wait_until(
        lambda: bar_card.find_element(By.CSS_SELECTOR, ".state").text == "released"
        and "down" in bar_card.get_attribute("class")
        and not bar_card.find_element(By.CSS_SELECTOR, "button.mute").is_enabled(),
        STEP_TIMEOUT), "the Bar card did not turn to released with its controls off")
    api(port, "POST", "/api/rooms/Bar/take")
    step("taken back, it connects again", wait_until(both_connected, CONNECT_TIMEOUT),
         "Bar did not come back")
    wait_until(lambda: card(driver, "Bar").find_element(
        By.CSS_SELECTOR, "button.mute").is_enabled(), STEP_TIMEOUT)

    # The whole page in one picture, at the phone's width.
    phone["height"] = driver.execute_script("return document.documentElement.scrollHeight")
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", phone)
    time.sleep(0.3)  # the sliders' last paint
    step("page fits the phone's width", driver.execute_script(
        "return document.documentElement.scrollWidth") <= PHONE_WIDTH, "it scrolls sideways")
    shot = os.path.join(art, "serve-phone.png")
    driver.save_screenshot(shot)
    step("screenshot at phone width", os.path.getsize(shot) > 0, "empty screenshot")
    if screenshot_to:
        shutil.copyfile(shot, screenshot_to)
finally:
    if driver:
        driver.quit()
    for process in reversed(processes):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
    shutil.rmtree(work, ignore_errors=True)

print(f"artefacts: {art}")
print(f"acceptance-serve: {passes} passed, {failures} failed")
sys.exit(1 if failures else 0)
