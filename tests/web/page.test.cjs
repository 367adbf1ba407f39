'use strict';
// The pages binoxa-cli web writes, in Debian's chromium, headless: each view
// at 1:1 against the program's own pictures of the pair, the wiggle's turns,
// the fit in a small window, no request leaving the page, a console without
// errors, the views without WebGL, and VR through a scripted stand-in for
// navigator.xr.
// The window's export of the same pair gives the same page.
const { chromium } = require('playwright-core');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const cli = process.env.BINOXA_CLI;
const bin = process.env.BINOXA_BIN;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'binoxa-web-'));
process.env.BINOXA_PROFILE = path.join(work, 'profile.ini');
let passed = 0, failed = 0;
function check(ok, what) {
  if (ok) passed++;
  else failed++, console.log(`FAIL: ${what}`);
}
const file = name => path.join(work, name);
const run = (program, ...args) => execFileSync(program, args, { cwd: work, stdio: ['ignore', 'pipe', 'inherit'] });
const size = picture => run('identify', '-format', '%w %h', file(picture)).toString().split(' ').map(Number);
// ImageMagick's PSNR in dB (Infinity when equal); NaN when the sizes differ.
function psnr(a, b) {
  try {
    execFileSync('compare', ['-metric', 'PSNR', file(a), file(b), 'null:'], { stdio: 'pipe' });
    return Infinity;
  } catch (e) {
    const said = e.stderr.toString().trim();
    return said === 'inf' ? Infinity : parseFloat(said);
  }
}

// The aloe pair of opencv-doc (tests/fetch-samples.sh) at the wiggle test's position.
const samples = path.join(bin, 'testdata', 'opencv');
if (!fs.existsSync(path.join(samples, 'aloeR.jpg'))) {
  console.log('SKIP: the aloe pair of opencv-doc cannot be had');
  process.exit(77);
}
for (const side of ['L', 'R']) fs.copyFileSync(path.join(samples, `aloe${side}.jpg`), file(`aloe${side}.jpg`));
const pair = ['aloeL.jpg', 'aloeR.jpg', '--dx', '-30', '--dy', '2'];
run(cli, 'web', ...pair, '-o', 'pair.html');
run(cli, 'anaglyph', ...pair, '--method', 'dubois-red-cyan', '-o', 'anaglyph.png');
run(cli, 'layout', 'sbs', ...pair, '-o', 'parallel.png');
run(cli, 'layout', 'sbs', ...pair, '--swap', '-o', 'crossed.png');
run(cli, 'left', ...pair, '-o', 'left.png');
run(cli, 'right', ...pair, '-o', 'right.png');
// The page's own views, and binoxa-cli's anaglyph of them: the page's must be the same pixels.
const html = fs.readFileSync(file('pair.html'), 'latin1');
for (const side of ['left', 'right']) {
  const data = html.match(new RegExp(`<img id="${side}"[^>]* src="data:image/jpeg;base64,([^"]*)"`))[1];
  fs.writeFileSync(file(`page-${side}.jpg`), Buffer.from(data, 'base64'));
}
run(cli, 'anaglyph', 'page-left.jpg', 'page-right.jpg', '--method', 'dubois-red-cyan', '-o', 'page-anaglyph.png');
// Flat views for VR: each eye's colour shows which view it got.
run('convert', '-size', '320x240', 'xc:rgb(200,40,40)', file('redL.png'));
run('convert', '-size', '320x240', 'xc:rgb(40,60,200)', file('blueR.png'));
run(cli, 'web', 'redL.png', 'blueR.png', '-o', 'vr.html');

// The same pair through the window's Export for display dialog.
fs.writeFileSync(file('window.scn'), [
  `open ${file('aloeL.jpg')}`, 'start', 'command 11842', `open ${file('aloeR.jpg')}`, 'command 11843',
  'dialog 6 set 141 "Web page (.html)"', 'dialog 6 ok', `save ${file('window')}`, 'command 11873', ''].join('\n'));
run(process.env.BINOXA_SCENARIO, file('window.scn'));
run(cli, 'web', 'aloeL.jpg', 'aloeR.jpg', '-o', 'cli.html');
check(fs.readFileSync(file('window.html')).equals(fs.readFileSync(file('cli.html'))),
      'the window\'s page differs from binoxa-cli web\'s');

// A scripted navigator.xr: supported or not, and a session of two frames
// whose left and right views share one 400 x 200 canvas, each looking down
// -z with a 90 degree field. After each frame it reads back what the page
// drew: per viewport, the width and height of the plane on the middle row
// and column, and the colour at the middle.
function xrStandIn(supported) {
  const projection = new Float32Array([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1.002, -1, 0, 0, -0.2002, 0]);
  const identity = new Float32Array([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]);
  const views = ['left', 'right'].map(eye => ({ eye, projectionMatrix: projection, transform: { inverse: { matrix: identity } } }));
  const seen = { asked: false, requested: 0, frames: 0, eyes: null, session: null };
  window.xrSeen = seen;
  window.XRWebGLLayer = class {
    constructor(session, gl) {
      gl.canvas.width = 400;
      gl.canvas.height = 200;
      session.gl = gl;
      this.framebuffer = null;
    }
    getViewport(view) { return { x: view.eye === 'left' ? 0 : 200, y: 0, width: 200, height: 200 }; }
  };
  class Session extends EventTarget {
    constructor() { super(); this.renderState = {}; seen.session = this; }
    updateRenderState(state) { Object.assign(this.renderState, state); }
    async requestReferenceSpace(kind) { return { kind }; }
    requestAnimationFrame(callback) {
      if (seen.requested === 2) return 0;
      seen.requested++;
      setTimeout(() => {
        callback(performance.now(), { session: this, getViewerPose: () => ({ views }) });
        const gl = this.gl, px = new Uint8Array(400 * 200 * 4);
        gl.readPixels(0, 0, 400, 200, gl.RGBA, gl.UNSIGNED_BYTE, px);
        const at = (x, y) => px.subarray(4 * (y * 400 + x), 4 * (y * 400 + x) + 3);
        const lit = (x, y) => at(x, y).some(c => c > 0);
        seen.eyes = [0, 200].map(x0 => {
          let wide = 0, high = 0;
          for (let i = 0; i < 200; i++) wide += lit(x0 + i, 100), high += lit(x0 + 100, i);
          return { wide, high, colour: Array.from(at(x0 + 100, 100)) };
        });
        seen.frames++;
      });
      return seen.requested;
    }
    async end() { this.dispatchEvent(new Event('end')); }
  }
  Object.defineProperty(navigator, 'xr', {
    value: {
      isSessionSupported: async mode => { seen.asked = true; return supported && mode === 'immersive-vr'; },
      requestSession: async () => new Session(),
    },
  });
}

(async () => {
  const profiles = [];
  // A fresh profile each; WebGL on the CPU (SwiftShader), as --disable-gpu leaves it.
  const launch = extra => {
    profiles.push(fs.mkdtempSync(path.join(os.tmpdir(), 'binoxa-chromium-')));
    return chromium.launchPersistentContext(profiles.at(-1), {
      executablePath: process.env.BINOXA_CHROMIUM || '/usr/bin/chromium',
      headless: true,
      viewport: { width: 2600, height: 1300 },
      deviceScaleFactor: 1,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--enable-unsafe-swiftshader', ...extra],
    });
  };
  const browser = await launch([]);
  const requests = [], problems = [];
  browser.on('request', r => requests.push(r.url()));
  const open = async (page, url) => {
    page.on('console', m => { if (m.type() === 'error') problems.push(`${url}: ${m.text()}`); });
    page.on('pageerror', e => problems.push(`${url}: ${e.message}`));
    await page.goto(url);
    await page.waitForFunction(() => document.getElementById('view').style.width !== '');
  };
  const url = name => `file://${file(name)}`;
  const shot = async (page, name, [w, h]) => page.screenshot({ path: file(name), clip: { x: 0, y: 0, width: w, height: h } });
  const page = await browser.newPage();

  // Each view at 1:1 from the top-left corner: the default, then by its button.
  await open(page, url('pair.html'));
  for (const view of ['anaglyph', 'parallel', 'crossed']) {
    if (view !== 'anaglyph') {
      await page.click(`a[href="#${view}"]`);
      await page.waitForFunction(v => location.hash === `#${v}` && document.querySelector('[aria-current]').hash === `#${v}`, view);
    }
    const want = size(`${view}.png`);
    const box = await page.locator('#view').boundingBox();
    check(box.x === 0 && box.y === 0 && box.width === want[0] && box.height === want[1],
          `#${view} is drawn at ${JSON.stringify(box)}, not 1:1 at the top-left (${want})`);
    await shot(page, `${view}-shot.png`, want);
    const db = psnr(`${view}-shot.png`, `${view}.png`);
    console.log(`#${view}: ${db.toFixed(1)} dB from binoxa-cli's picture`);
    check(db >= 35, `#${view} is ${db} dB from binoxa-cli's picture`);
  }

  check(psnr('anaglyph-shot.png', 'page-anaglyph.png') === Infinity,
        'the page\'s anaglyph is not binoxa-cli\'s of the same views, pixel for pixel');

  // The wiggle shows the left and the right view in turn.
  await open(page, url('pair.html#wiggle'));
  const seen = new Set();
  for (let i = 0; i < 200 && seen.size < 2; i++) {
    await shot(page, 'wiggle-shot.png', size('left.png'));
    for (const view of ['left', 'right']) if (psnr('wiggle-shot.png', `${view}.png`) >= 35) seen.add(view);
  }
  check(seen.size === 2, `#wiggle showed only ${[...seen]}`);

  // A smaller window fits the picture, the aspect kept.
  await page.setViewportSize({ width: 700, height: 500 });
  await open(page, url('pair.html#parallel'));
  const [pw, ph] = size('parallel.png');
  const box = await page.locator('#view').boundingBox();
  check(Math.abs(box.width - 700) < 1 && Math.abs(box.height - 700 * ph / pw) < 1,
        `#parallel in a 700 x 500 window is ${box.width} x ${box.height}`);
  await page.setViewportSize({ width: 2600, height: 1300 });

  // VR: the button only where the session is supported, then each eye its own view.
  for (const supported of [false, true]) {
    const vr = await browser.newPage();
    await vr.addInitScript(xrStandIn, supported);
    await open(vr, url('vr.html'));
    await vr.waitForFunction(() => window.xrSeen.asked);
    if (!supported) {
      await vr.evaluate(() => new Promise(requestAnimationFrame));
      check(await vr.locator('#vr').isHidden(), 'Enter VR is shown where immersive-vr is not supported');
      await vr.close();
      continue;
    }
    await vr.click('#vr');
    await vr.waitForFunction(() => window.xrSeen.frames === 2);
    const eyes = await vr.evaluate(() => window.xrSeen.eyes);
    // 1.6 m wide at 2 m with a 90 degree field: 0.4 of the viewport's half
    // width each side of the middle, 80 pixels; 60 high for a 4:3 view.
    const want = [[200, 40, 40], [40, 60, 200]];
    eyes.forEach(({ wide, high, colour }, i) => {
      check(Math.abs(wide - 80) <= 1 && Math.abs(high - 60) <= 1, `eye ${i}'s plane is ${wide} x ${high} pixels`);
      check(colour.every((c, k) => Math.abs(c - want[i][k]) <= 6), `eye ${i} drew ${colour}, not its view ${want[i]}`);
    });
    check(await vr.locator('#vr').isDisabled(), 'Enter VR stays enabled during the session');
    await vr.evaluate(() => window.xrSeen.session.end());
    check(await vr.locator('#vr').isEnabled(), 'Enter VR stays disabled after the session');
    await vr.close();
  }

  console.log(`${requests.length} requests, every one the pages' own or their data`);
  // Without WebGL the views still show, and VR says why it cannot start.
  const flat = await launch(['--disable-3d-apis']);
  flat.on('request', r => requests.push(r.url()));
  const plain = await flat.newPage();
  await plain.addInitScript(xrStandIn, true);
  await open(plain, url('pair.html#parallel'));
  await shot(plain, 'flat-shot.png', size('parallel.png'));
  check(psnr('flat-shot.png', 'parallel.png') >= 35, '#parallel without WebGL differs from binoxa-cli\'s picture');
  await plain.click('#vr');
  await plain.waitForFunction(() => document.getElementById('status').textContent !== '');
  const said = await plain.locator('#status').textContent();
  check(said === 'VR could not start: this browser has no WebGL', `without WebGL, Enter VR says '${said}'`);
  await flat.close();

  const foreign = requests.filter(r => !r.startsWith('data:') && !r.startsWith(`file://${work}/`));
  check(foreign.length === 0, `requests left the pages: ${foreign}`);
  check(problems.length === 0, `the console shows errors: ${problems.join('; ')}`);
  await browser.close();
  for (const p of profiles) fs.rmSync(p, { recursive: true, force: true });
  if (!failed) fs.rmSync(work, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})().catch(e => {
  console.log(`FAIL: ${e.stack}`);
  process.exit(1);
});
