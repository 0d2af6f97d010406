// The page's requests to the extension, in the extension's own world: one
// connection to the service worker for each control the page made, opened
// when the page creates it.
(() => {
  'use strict';
  // A frame of an allowed site is matched twice (as a top document and as
  // an allowed frame): one relay.
  if (globalThis.vardkt5Relay) return;
  globalThis.vardkt5Relay = true;
  const REQUEST = 'vardkt5-request';
  const RESPONSE = 'vardkt5-response';
  // How many controls a tab may have is the service worker's to count.
  const ports = new Map();

  function answer(ctl, data) {
    data.ctl = ctl;
    document.dispatchEvent(new CustomEvent(RESPONSE, { detail: JSON.stringify(data) }));
  }

  document.addEventListener(REQUEST, (event) => {
    if (typeof event.detail !== 'string') return;
    let data;
    try { data = JSON.parse(event.detail); } catch (_) { return; }
    if (!data || typeof data.ctl !== 'number') return;
    const ctl = data.ctl;
    let port = ports.get(ctl);
    if (data.msg === null) {  // the page closed this control
      if (port) port.disconnect();
      ports.delete(ctl);
      return;
    }
    if (!data.msg || typeof data.msg !== 'object') return;
    if (!port) {
      if (data.msg.op !== 'create') return answer(ctl, { closed: 'create the control first' });
      try {
        port = chrome.runtime.connect({ name: 'vardkt5' });
      } catch (e) {
        return answer(ctl, { closed: 'the extension is not available: ' + e.message });
      }
      ports.set(ctl, port);
      port.onMessage.addListener((msg) => {
        if (msg && msg.closed !== undefined && msg.id === undefined && msg.event === undefined)
          return answer(ctl, { closed: msg.closed });
        answer(ctl, { msg });
      });
      port.onDisconnect.addListener(() => {
        ports.delete(ctl);
        answer(ctl, { closed: 'the bridge closed the connection' });
      });
    }
    port.postMessage(data.msg);
  });
})();
