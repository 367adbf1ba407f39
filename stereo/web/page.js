// The page of one stereo pair: its views drawn on one canvas, chosen by the
// address's fragment; in a headset's immersive session each eye sees its own.
'use strict';
(() => {
  const left = document.getElementById('left');
  const right = document.getElementById('right');
  const canvas = document.getElementById('view');
  const context = canvas.getContext('2d');
  const vrButton = document.getElementById('vr');
  const status = document.getElementById('status');
  const kViews = ['anaglyph', 'parallel', 'crossed', 'wiggle'];
  const kWiggleMs = 150;
  // The program's Dubois red-cyan integers: red, green, blue from left r, g,
  // b then right r, g, b in units of 1/65536, summed and shifted right by 16.
  const matrix = canvas.dataset.anaglyph.split(',').map(Number);
  let anaglyph = null;
  let wiggle = 0;

  function pixels(image) {
    const c = document.createElement('canvas');
    c.width = image.naturalWidth;
    c.height = image.naturalHeight;
    const x = c.getContext('2d', { willReadFrequently: true });
    x.drawImage(image, 0, 0);
    return x.getImageData(0, 0, c.width, c.height).data;
  }

  function composeAnaglyph() {
    const l = pixels(left), r = pixels(right);
    const out = new ImageData(left.naturalWidth, left.naturalHeight);
    const o = out.data, k = matrix;
    // The sums are integers below 2^31, so >> gives the program's arithmetic
    // shift and the clamped array its clamp to 0..255.
    for (let i = 0; i < o.length; i += 4) {
      const a = l[i], b = l[i + 1], c = l[i + 2], d = r[i], e = r[i + 1], f = r[i + 2];
      o[i] = (k[0] * a + k[1] * b + k[2] * c + k[3] * d + k[4] * e + k[5] * f) >> 16;
      o[i + 1] = (k[6] * a + k[7] * b + k[8] * c + k[9] * d + k[10] * e + k[11] * f) >> 16;
      o[i + 2] = (k[12] * a + k[13] * b + k[14] * c + k[15] * d + k[16] * e + k[17] * f) >> 16;
      o[i + 3] = 255;
    }
    return out;
  }

  // One picture pixel to one device pixel while the window holds the
  // picture; else the largest size that fits, the aspect kept.
  function fit() {
    const scale = window.devicePixelRatio || 1;
    const w = canvas.width / scale, h = canvas.height / scale;
    const s = Math.min(1, document.documentElement.clientWidth / w, window.innerHeight / h);
    canvas.style.width = `${w * s}px`;
    canvas.style.height = `${h * s}px`;
  }

  function show() {
    const asked = location.hash.slice(1);
    const view = kViews.includes(asked) ? asked : 'anaglyph';
    clearInterval(wiggle);
    const w = left.naturalWidth, h = left.naturalHeight;
    const pair = view === 'parallel' || view === 'crossed';
    canvas.width = pair ? 2 * w : w;
    canvas.height = h;
    if (view === 'anaglyph') {
      anaglyph ??= composeAnaglyph();
      context.putImageData(anaglyph, 0, 0);
    } else if (pair) {
      const [first, second] = view === 'parallel' ? [left, right] : [right, left];
      context.drawImage(first, 0, 0);
      context.drawImage(second, w, 0);
    } else {
      let shown = right;
      const turn = () => {
        shown = shown === left ? right : left;
        context.drawImage(shown, 0, 0);
      };
      turn();
      wiggle = setInterval(turn, kWiggleMs);
    }
    for (const link of document.querySelectorAll('nav a')) {
      if (link.hash === `#${view}`) link.setAttribute('aria-current', 'page');
      else link.removeAttribute('aria-current');
    }
    fit();
  }

  // A picture as a texture: WebGL 1 takes any size up to its limit.
  function texture(gl, image) {
    const most = gl.getParameter(gl.MAX_TEXTURE_SIZE);
    let source = image;
    if (image.naturalWidth > most || image.naturalHeight > most) {
      const s = most / Math.max(image.naturalWidth, image.naturalHeight);
      source = document.createElement('canvas');
      source.width = Math.floor(image.naturalWidth * s);
      source.height = Math.floor(image.naturalHeight * s);
      source.getContext('2d').drawImage(image, 0, 0, source.width, source.height);
    }
    const t = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, t);
    gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, true);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGB, gl.RGB, gl.UNSIGNED_BYTE, source);
    for (const [name, value] of [[gl.TEXTURE_MIN_FILTER, gl.LINEAR], [gl.TEXTURE_MAG_FILTER, gl.LINEAR],
                                 [gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE], [gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE]])
      gl.texParameteri(gl.TEXTURE_2D, name, value);
    return t;
  }

  function shader(gl, type, text) {
    const s = gl.createShader(type);
    gl.shaderSource(s, text);
    gl.compileShader(s);
    if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
    return s;
  }

  // Draws one view on a plane 2 m ahead of where the session started, 1.6 m
  // wide, the views' aspect kept.
  function planeDrawer(gl) {
    const program = gl.createProgram();
    gl.attachShader(program, shader(gl, gl.VERTEX_SHADER, `
      attribute vec2 corner;
      uniform mat4 projection, view;
      uniform vec2 extent;  // half the plane's width and height, in metres
      varying vec2 uv;
      void main() {
        uv = corner * 0.5 + 0.5;
        gl_Position = projection * view * vec4(corner * extent, -2.0, 1.0);
      }`));
    gl.attachShader(program, shader(gl, gl.FRAGMENT_SHADER, `
      #ifdef GL_FRAGMENT_PRECISION_HIGH
      precision highp float;
      #else
      precision mediump float;
      #endif
      uniform sampler2D picture;
      varying vec2 uv;
      void main() { gl_FragColor = texture2D(picture, uv); }`));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
    const corners = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, corners);
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
    const textures = new Map([[left, texture(gl, left)], [right, texture(gl, right)]]);
    const at = name => gl.getUniformLocation(program, name);
    const corner = gl.getAttribLocation(program, 'corner');
    return (image, projection, view) => {
      gl.useProgram(program);
      gl.bindBuffer(gl.ARRAY_BUFFER, corners);
      gl.enableVertexAttribArray(corner);
      gl.vertexAttribPointer(corner, 2, gl.FLOAT, false, 0, 0);
      gl.activeTexture(gl.TEXTURE0);
      gl.bindTexture(gl.TEXTURE_2D, textures.get(image));
      gl.uniform1i(at('picture'), 0);
      gl.uniform2f(at('extent'), 0.8, 0.8 * image.naturalHeight / image.naturalWidth);
      gl.uniformMatrix4fv(at('projection'), false, projection);
      gl.uniformMatrix4fv(at('view'), false, view);
      gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
    };
  }

  async function enterVr() {
    const session = await navigator.xr.requestSession('immersive-vr');
    vrButton.disabled = true;
    session.addEventListener('end', () => { vrButton.disabled = false; });
    try {
      const gl = document.createElement('canvas').getContext('webgl', { xrCompatible: true });
      if (!gl) throw new Error('this browser has no WebGL');
      session.updateRenderState({ baseLayer: new XRWebGLLayer(session, gl) });
      const space = await session.requestReferenceSpace('local');
      const draw = planeDrawer(gl);
      const frame = (time, xrFrame) => {
        session.requestAnimationFrame(frame);
        const pose = xrFrame.getViewerPose(space);
        if (!pose) return;
        const layer = session.renderState.baseLayer;
        gl.bindFramebuffer(gl.FRAMEBUFFER, layer.framebuffer);
        gl.clearColor(0, 0, 0, 1);
        gl.clear(gl.COLOR_BUFFER_BIT);
        for (const view of pose.views) {
          const v = layer.getViewport(view);
          gl.viewport(v.x, v.y, v.width, v.height);
          draw(view.eye === 'right' ? right : left, view.projectionMatrix, view.transform.inverse.matrix);
        }
      };
      session.requestAnimationFrame(frame);
    } catch (error) {
      await session.end();
      throw error;
    }
  }

  Promise.all([left.decode(), right.decode()]).then(() => {
    show();
    addEventListener('hashchange', show);
    addEventListener('resize', fit);
  }, () => { status.textContent = 'The pictures of this page cannot be decoded.'; });

  if (navigator.xr) {
    navigator.xr.isSessionSupported('immersive-vr').then(supported => { vrButton.hidden = !supported; }, () => {});
    vrButton.addEventListener('click', () => {
      status.textContent = '';
      enterVr().catch(error => { status.textContent = `VR could not start: ${error.message}`; });
    });
  }
})();
