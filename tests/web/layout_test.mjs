// The page fits every screen: a phone held upright (360 x 640 CSS pixels, 3
// device pixels to one) and turned on its side (640 x 360, the same page
// turned, not reloaded), a tablet (768 x 1024, 2 to one), all three by touch,
// and a desktop window (1280 x 800). On each, with
// a best score whose long name makes the status line long:
// - the canvas lies wholly inside the window at the game's 4:3 (within a
//   pixel), as large as the room between the status line and the buttons
//   allows, and the game draws at its size in device pixels (the drawing
//   buffer follows, as the window's WM_SIZE tells the game) and over the
//   whole of it;
// - nothing scrolls sideways, and the status line wraps rather than spill;
// - the buttons are at least 44 x 44 CSS pixels and overlap nothing;
// - the keys' table shows where the browser says the pointer is fine or
//   the screen large, and gives way on a small touch screen.
// A picture of each is written to SCREENSHOTS for a person to look at.
//
//   node layout_test.mjs chromium|firefox SITE_FOLDER SCREENSHOTS
import fs from 'node:fs';
import { openGame, runTest, fail, sleep, browserFromArguments } from './kubrask_page.mjs';

const browser = browserFromArguments();
const [site, screenshots] = process.argv.slice(3);
fs.mkdirSync(screenshots, { recursive: true });
const screens = [
  { name: 'phone', width: 360, height: 640, ratio: 3, touch: true },
  { name: 'phone-on-its-side', width: 640, height: 360, ratio: 3, touch: true },
  { name: 'tablet', width: 768, height: 1024, ratio: 2, touch: true },
  { name: 'desktop', width: 1280, height: 800, ratio: 1, touch: false },
];
// Kubrask.data: a score of 12 by a 44-letter name.
const bestScore = [12, 0, 0, 0, ...Buffer.from('Maximilianus Bartholomaeus von Kubraskenberg'), 0];

// What the page's parts measure, in CSS pixels.
function measure() {
  const place = (element) => {
    const r = element.getBoundingClientRect();
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height };
  };
  const canvas = document.getElementById('canvas'), status = document.getElementById('status');
  const keys = document.getElementById('keys');
  return {
    viewport: { width: innerWidth, height: innerHeight },
    scrollWidth: document.documentElement.scrollWidth,
    canvas: place(canvas),
    buffer: { width: canvas.width, height: canvas.height, ratio: devicePixelRatio },
    stage: place(document.getElementById('stage')),
    status: { ...place(status), overflows: status.scrollWidth > status.clientWidth + 1, text: status.textContent },
    buttons: Array.from(document.querySelectorAll('#controls button')).filter((b) => !b.hidden)
      .map((b) => ({ label: b.textContent, ...place(b) })),
    keysShown: keys.getClientRects().length > 0,
    smallTouchScreen: matchMedia('(hover: none) and (pointer: coarse)').matches && innerWidth < 1024,
  };
}

const overlap = (a, b) => a.left < b.right - 0.5 && b.left < a.right - 0.5 && a.top < b.bottom - 0.5 && b.top < a.bottom - 0.5;

await runTest(`the layouts in ${browser}`, async (use) => {
  const page = use(await openGame(browser, site));
  const said = [];
  for (const screen of screens) {
    await page.tab.setViewport({ width: screen.width, height: screen.height, deviceScaleFactor: screen.ratio,
                                 isMobile: screen.touch, hasTouch: screen.touch });
    // The phone on its side is the upright one turned: no new start.
    if (screen.name !== 'phone-on-its-side') {
      await page.start(`localStorage.clear(); localStorage.setItem('kubrask:Kubrask.data', String.fromCharCode(${bestScore}))`);
    }
    await page.waitForStatus(/High Score: 12 by Maximilianus/);
    // The drawing buffer follows the canvas's place once the page has laid
    // it out and the game has taken the new size.
    await page.waitFor(`(() => { const c = document.getElementById('canvas'), r = c.getBoundingClientRect();
        return Math.abs(c.width - Math.round(r.width * devicePixelRatio)) <= 1 &&
               Math.abs(c.height - Math.round(r.height * devicePixelRatio)) <= 1 && r.width > 100; })()`,
                       10000, `canvas drawn at its size on the ${screen.name}`);
    await sleep(1500);  // past the first frames, for the picture
    const m = await page.evaluate(measure);
    const where = `on the ${screen.name} (${screen.width} x ${screen.height})`;
    const { canvas, viewport } = m;
    if (canvas.left < -0.5 || canvas.top < -0.5 || canvas.right > viewport.width + 0.5 || canvas.bottom > viewport.height + 0.5)
      fail(`the canvas ${JSON.stringify(canvas)} leaves the window ${where}`);
    if (Math.abs(canvas.width * 3 - canvas.height * 4) > 4) fail(`the canvas is ${canvas.width} x ${canvas.height} ${where}`);
    const fills = Math.abs(canvas.width - m.stage.width) <= 1 || Math.abs(canvas.height - m.stage.height) <= 1;
    if (!fills) fail(`the canvas ${canvas.width} x ${canvas.height} leaves room in its ${m.stage.width} x ${m.stage.height} ${where}`);
    if (m.scrollWidth > viewport.width) fail(`the page scrolls sideways (${m.scrollWidth} pixels wide) ${where}`);
    if (m.status.overflows || m.status.right > viewport.width + 0.5) fail(`the status line spills ${where}`);
    for (const button of m.buttons) {
      if (button.width < 44 || button.height < 44) fail(`"${button.label}" is ${button.width} x ${button.height} ${where}`);
      for (const other of [canvas, m.status, ...m.buttons.filter((b) => b !== button)])
        if (overlap(button, other)) fail(`"${button.label}" overlaps ${other.label ? `"${other.label}"` : 'the game'} ${where}`);
      if (button.right > viewport.width + 0.5 || button.bottom > viewport.height + 0.5) fail(`"${button.label}" leaves the window ${where}`);
    }
    if (m.keysShown === m.smallTouchScreen) {
      fail(`the keys' table is ${m.keysShown ? 'shown' : 'hidden'} ${where}, which the browser calls ` +
           `${m.smallTouchScreen ? '' : 'no '}small touch screen`);
    }
    // The whole board shows, in the middle of the canvas and across most of
    // it: nothing is drawn in a band along its edges.
    const picture = await page.canvasPicture(`${screenshots}/${browser}-${screen.name}-canvas.png`);
    const band = Math.ceil(picture.width / 100);
    let edge = 0, left = picture.width, right = 0, top = picture.height, bottom = 0;
    for (let y = 0; y < picture.height; y++) {
      for (let x = 0; x < picture.width; x++) {
        if (!picture.pixel(x, y).slice(0, 3).some((c) => c > 48)) continue;  // no brighter than the page around
        if (x < band || y < band || x >= picture.width - band || y >= picture.height - band) edge++;
        [left, right, top, bottom] = [Math.min(left, x), Math.max(right, x), Math.min(top, y), Math.max(bottom, y)];
      }
    }
    const offCentre = Math.max(Math.abs((left + right) / picture.width - 1), Math.abs((top + bottom) / picture.height - 1));
    if (edge > 0 || offCentre > 0.16 || right - left < picture.width * 3 / 4) {
      fail(`the board is not whole in the middle of the canvas ${where}: ${edge} pixels lit at its edges, ` +
           `the lit part from (${left}, ${top}) to (${right}, ${bottom}) of ${picture.width} x ${picture.height}`);
    }
    await page.tab.screenshot({ path: `${screenshots}/${browser}-${screen.name}.png` });
    said.push(`${screen.name} ${Math.round(canvas.width)}x${Math.round(canvas.height)}${m.keysShown ? ' with keys' : ''}`);
  }
  return `canvas at 4:3 inside the window, nothing sideways, buttons of 44 pixels or more: ${said.join(', ')}; ` +
         `pictures in ${screenshots}`;
}, 120000);
