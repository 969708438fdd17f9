// The web host's JavaScript half, linked into mirrors.js with emscripten's --js-library: the canvas, the
// browser's input queued as records for the C++ half (web.cpp) to take, the sleep between frames, and putting
// frames on the canvas.
//
// Each input is one record: its kind (MIRRORS_RECORD, written by the build from record_kind in web_host.h,
// their one definition), x and y in client pixels, two numbers a and b that depend on the kind, and for keys
// the key's code and key names (user32 tells an auto-repeat by itself):
//   move, button_down, button_up: the DOM's button and the DOM's buttons held
//   resize: the new client area (in x and y)
//   contact: a finger or pen, its action (0 down, 1 move, 2 up, 3 cancel, 4 hover) plus 8 for a pen and 16
//            for its barrel button held, and its pointer id
//
// Scale: below a viewport of 640 x 400 CSS pixels the canvas is shown at a scale s of about
// min(vw / 640, vh / 400), never less than one device pixel per canvas pixel, and the program gets a client
// area of floor(vw / s) x floor(vh / s): a portrait phone shows the whole width of the built-in walls. The
// canvas is scaled without smoothing (image-rendering: pixelated), so its colours stay exact.
mergeInto(LibraryManager.library, {
  web_start__deps: ['$MIRRORS_RECORD'],
  web_start: function() {
    var canvas = Module['canvas'] || document.getElementById('canvas');
    if (!canvas || !canvas.getContext) {
      return 0;
    }
    var context = canvas.getContext('2d', {alpha: false});
    if (!context) {
      return 0;
    }
    Module['canvas'] = canvas;
    var m = {canvas: canvas, context: context, queue: [], wake: null, frames: 0, image: null, scale: 1};
    Module['mirrorsHost'] = m;
    var push = function(record) {
      m.queue.push(record);
      if (m.wake) {
        var wake = m.wake;
        m.wake = null;
        wake();
      }
    };
    m.push = push;
    // The client area for the viewport, and the scale to show it at.
    m.fit = function() {
      var vw = window.innerWidth;
      var vh = window.innerHeight;
      var s = Math.min(vw / 640, vh / 400);
      s = s >= 1 ? 1 : Math.min(1, Math.max(s, 1 / (window.devicePixelRatio || 1)));
      m.scale = s;
      return [Math.floor(vw / s + 1e-9), Math.floor(vh / s + 1e-9)];
    };
    // Client coordinates of a mouse event (the canvas may be shown scaled); null when the pointer is outside
    // the canvas, where the desktop window would see nothing either (the mouse is never captured).
    var at = function(e) {
      var box = canvas.getBoundingClientRect();
      var x = Math.floor((e.clientX - box.left) / m.scale);
      var y = Math.floor((e.clientY - box.top) / m.scale);
      return x >= 0 && y >= 0 && x < canvas.width && y < canvas.height ? [x, y] : null;
    };
    var mouse = function(kind) {
      return function(e) {
        // A finger's emulated mouse: the finger itself reaches the program as a contact.
        if (e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents) {
          return;
        }
        var p = at(e);
        if (p) {
          push({kind: kind, x: p[0], y: p[1], a: e.button, b: e.buttons});
        }
        if (kind == MIRRORS_RECORD.button_down) {
          canvas.focus();
        }
      };
    };
    canvas.addEventListener('mousemove', mouse(MIRRORS_RECORD.move));
    canvas.addEventListener('mousedown', mouse(MIRRORS_RECORD.button_down));
    canvas.addEventListener('mouseup', mouse(MIRRORS_RECORD.button_up));
    // The right button belongs to the program: the page's context menu never opens over it.
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    // Keys reach the program while the canvas has the focus; the browser keeps its own shortcuts, so no key
    // event is prevented.
    var key = function(kind) {
      return function(e) {
        push({kind: kind, code: e.code || '', key: e.key || ''});
      };
    };
    canvas.addEventListener('keydown', key(MIRRORS_RECORD.key_down));
    canvas.addEventListener('keyup', key(MIRRORS_RECORD.key_up));
    window.addEventListener('resize', function() {
      var size = m.fit();
      push({kind: MIRRORS_RECORD.resize, x: size[0], y: size[1]});
    });
    // Fingers and pens through Pointer Events; the browser's own mouse events for a finger (a tap as a click)
    // are suppressed, so each touch reaches the program once. The page itself never pans, zooms or selects
    // under a finger (index.html: touch-action none).
    var contact = function(action) {
      return function(e) {
        if (e.pointerType == 'mouse') {
          return; // the mouse events tell it
        }
        if (action == 0) {
          // No emulated mouse events for it, and its moves stay ours beyond the canvas's edge.
          e.preventDefault();
          canvas.focus();
          if (canvas.setPointerCapture) {
            try {
              canvas.setPointerCapture(e.pointerId);
            } catch (ignored) {
            }
          }
        }
        var pen = e.pointerType == 'pen';
        if (action == 1 && pen && e.buttons == 0) {
          action = 4; // a pen above the screen
        }
        var box = canvas.getBoundingClientRect();
        push({
          kind: MIRRORS_RECORD.contact,
          x: Math.floor((e.clientX - box.left) / m.scale),
          y: Math.floor((e.clientY - box.top) / m.scale),
          a: action | (pen ? 8 : 0) | (pen && (e.buttons & 2) ? 16 : 0),
          b: e.pointerId
        });
      };
    };
    canvas.addEventListener('pointerdown', contact(0));
    canvas.addEventListener('pointermove', contact(1));
    canvas.addEventListener('pointerup', contact(2));
    canvas.addEventListener('pointercancel', contact(3));
    // The ring that shows a press and hold, drawn by the page above the canvas, never into its pixels.
    var ring = document.createElement('div');
    ring.id = 'hold';
    document.body.appendChild(ring);
    m.ring = ring;
    canvas.tabIndex = 0;
    canvas.focus();
    return 1;
  },

  // The client area that the canvas should have for the viewport.
  web_viewport_width: function() { return Module['mirrorsHost'].fit()[0]; },
  web_viewport_height: function() { return Module['mirrorsHost'].fit()[1]; },

  // Takes the oldest queued input into `record` (kind, x, y, a, b) and its key code and key name into the two
  // buffers; 0 when nothing is queued.
  web_take_input: function(record, code, codeSize, key, keySize) {
    var m = Module['mirrorsHost'];
    if (!m || m.queue.length == 0) {
      return 0;
    }
    var e = m.queue.shift();
    var base = record >> 2;
    HEAP32[base] = e.kind;
    HEAP32[base + 1] = e.x | 0;
    HEAP32[base + 2] = e.y | 0;
    HEAP32[base + 3] = e.a | 0;
    HEAP32[base + 4] = e.b | 0;
    stringToUTF8(e.code || '', code, codeSize);
    stringToUTF8(e.key || '', key, keySize);
    return 1;
  },

  // Sleeps until `ms` have passed (never, when negative) or an input arrives. The build lists it among
  // ASYNCIFY's imports, since the program's stack waits over it.
  web_sleep: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      var m = Module['mirrorsHost'];
      var timer = ms >= 0 ? setTimeout(function() {
        m.wake = null;
        wakeUp();
      }, ms) : null;
      m.wake = function() {
        if (timer != null) {
          clearTimeout(timer);
        }
        wakeUp();
      };
      if (m.queue.length > 0) {
        m.wake();
        m.wake = null;
      }
    });
  },

  // Puts rows [top, bottom) of a width x height frame of 0x00RRGGBB words on the canvas; a canvas of another
  // size is made this size first and gets every row. Counts the frame either way.
  web_present: function(pixels, width, height, top, bottom, paint) {
    var m = Module['mirrorsHost'];
    var canvas = m.canvas;
    if (canvas.width != width || canvas.height != height || !m.image || m.shownScale != m.scale) {
      canvas.width = width;
      canvas.height = height;
      // One canvas pixel per CSS pixel (fewer on a small screen), never smoothed when the page is zoomed or
      // the display is dense.
      m.shownScale = m.scale;
      canvas.style.width = (width * m.scale) + 'px';
      canvas.style.height = (height * m.scale) + 'px';
      m.image = m.context.createImageData(width, height);
      m.words = new Uint32Array(m.image.data.buffer);
      top = 0;
      bottom = height;
    }
    if (top < bottom) {
      // ImageData is R, G, B, A in memory: the little-endian word 0xAABBGGRR.
      var source = HEAPU32;
      var words = m.words;
      var start = (pixels >> 2) + top * width;
      for (var i = top * width, end = bottom * width, s = start; i < end; ++i, ++s) {
        var p = source[s];
        words[i] = 0xFF000000 | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >>> 16) & 0xFF);
      }
      m.context.putImageData(m.image, 0, 0, 0, top, width, bottom - top);
    }
    if (paint) {
      m.frames++;
    }
  },

  web_show: function(visible) {
    var m = Module['mirrorsHost'];
    if (m) {
      m.canvas.style.visibility = visible ? 'visible' : 'hidden';
    }
  },

  // The press-and-hold ring over the canvas at client (x, y), or hidden.
  web_hold_ring: function(x, y, visible) {
    var m = Module['mirrorsHost'];
    if (!m || !m.ring) {
      return;
    }
    if (!visible) {
      m.ring.style.display = 'none';
      return;
    }
    var box = m.canvas.getBoundingClientRect();
    m.ring.style.left = (box.left + (x + 0.5) * m.scale) + 'px';
    m.ring.style.top = (box.top + (y + 0.5) * m.scale) + 'px';
    m.ring.style.display = 'block';
  },

  // kernel32's debugger output: in a browser the debugger is the developer tools' console, which shows
  // messages rather than a stream, so each finished line becomes one message without its line ending, and an
  // unfinished one waits for the rest.
  web_debug_output: function(text) {
    var pending = (Module['mirrorsDebugText'] || '') + UTF8ToString(text);
    var lines = pending.split('\n');
    Module['mirrorsDebugText'] = lines.pop();
    lines.forEach(function(line) { console.log(line.endsWith('\r') ? line.slice(0, -1) : line); });
  },
});
