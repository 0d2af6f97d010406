// Each page control's connection goes to a bridge program of its own,
// started when the page creates the control. The page's address and origin
// are the ones the browser gives for the sending frame, never ones the
// page's messages name.
const HOST = 'com.vardel.kt5bridge';
// Each control is a program on the person's machine: a tab gets a few, in
// all its frames together, and the browser a few more.
const MAX_PER_TAB = 8;
const MAX_IN_ALL = 32;
const E_FAIL = 0x80004005;

const perTab = new Map();
let inAll = 0;

// The frame's address when it is an absolute URL; null otherwise.
function absoluteUrl(text) {
  if (typeof text !== 'string' || text === '') return null;
  try {
    new URL(text);  // a relative or malformed address throws
    return text;
  } catch (_) {
    return null;
  }
}

// Why another control may not start now for `tab`; null when it may.
function overCap(tab) {
  if ((perTab.get(tab) || 0) >= MAX_PER_TAB)
    return 'this tab has ' + MAX_PER_TAB + ' controls open already: close one first';
  if (inAll >= MAX_IN_ALL) return 'the browser has ' + MAX_IN_ALL + ' controls open already: close one first';
  return null;
}

chrome.runtime.onConnect.addListener((port) => {
  const sender = port.sender;
  if (port.name !== 'vardkt5' || !sender) {
    port.disconnect();
    return;
  }
  const pageUrl = absoluteUrl(sender.url);
  // Chromium vouches for the frame's origin; without one (or an opaque
  // one, "null") the page speaks for no site and is trusted by none.
  const origin = typeof sender.origin === 'string' && sender.origin !== '' ? sender.origin : 'null';
  const tab = sender.tab && typeof sender.tab.id === 'number' ? sender.tab.id : 'no tab';
  let native = null;
  let counted = false;

  function release() {
    if (!counted) return;
    counted = false;
    inAll -= 1;
    const left = (perTab.get(tab) || 1) - 1;
    if (left > 0) perTab.set(tab, left);
    else perTab.delete(tab);
  }

  function refuse(msg, why) {
    port.postMessage({ id: msg.id === undefined ? null : msg.id, error: { code: E_FAIL, message: why } });
  }

  function start() {
    try {
      native = chrome.runtime.connectNative(HOST);
    } catch (e) {
      port.postMessage({ closed: 'the bridge program is not installed: ' + e.message });
      port.disconnect();
      return false;
    }
    counted = true;
    inAll += 1;
    perTab.set(tab, (perTab.get(tab) || 0) + 1);
    native.onMessage.addListener((msg) => port.postMessage(msg));
    native.onDisconnect.addListener(() => {
      release();
      const why = chrome.runtime.lastError ? chrome.runtime.lastError.message : 'the bridge program ended';
      try { port.postMessage({ closed: why }); } catch (_) { /* the page went first */ }
      port.disconnect();
    });
    return true;
  }

  port.onMessage.addListener((msg) => {
    if (!msg || typeof msg !== 'object' || Array.isArray(msg)) return;
    if (!native) {
      // Nothing starts before a create this page may make.
      if (msg.op !== 'create') return refuse(msg, 'create the control first');
      if (!pageUrl) return refuse(msg, 'the browser gave no address for this page');
      const why = overCap(tab);
      if (why) return refuse(msg, why);
      if (!start()) return;
    }
    const out = Object.assign({}, msg);
    delete out.page;
    delete out.origin;
    if (out.op === 'create') {
      out.page = pageUrl;
      out.origin = origin;
    }
    native.postMessage(out);
  });
  port.onDisconnect.addListener(() => {
    release();
    if (native) native.disconnect();
  });
});
