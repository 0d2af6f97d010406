// Each page control's connection goes to a bridge program of its own. The
// page's address is the one the browser gives for the sending frame, never
// one the page's messages name.
const HOST = 'com.vardel.kt5bridge';

chrome.runtime.onConnect.addListener((port) => {
  if (port.name !== 'vardkt5' || !port.sender || typeof port.sender.url !== 'string') {
    port.disconnect();
    return;
  }
  const pageUrl = port.sender.url;
  let native;
  try {
    native = chrome.runtime.connectNative(HOST);
  } catch (e) {
    port.postMessage({ closed: 'the bridge program is not installed: ' + e.message });
    port.disconnect();
    return;
  }
  native.onMessage.addListener((msg) => port.postMessage(msg));
  native.onDisconnect.addListener(() => {
    const why = chrome.runtime.lastError ? chrome.runtime.lastError.message : 'the bridge program ended';
    try { port.postMessage({ closed: why }); } catch (_) { /* the page went first */ }
    port.disconnect();
  });
  port.onMessage.addListener((msg) => {
    if (!msg || typeof msg !== 'object' || Array.isArray(msg)) return;
    const out = Object.assign({}, msg);
    delete out.page;
    if (out.op === 'create') out.page = pageUrl;
    native.postMessage(out);
  });
  port.onDisconnect.addListener(() => native.disconnect());
});
