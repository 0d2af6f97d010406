// window.VardKT5 in the page's own world: create(params) gives a control
// whose get/put/call answer as promises and whose events reach listeners.
// Nothing leaves the page until it calls create().
(() => {
  'use strict';
  if (Object.prototype.hasOwnProperty.call(window, 'VardKT5')) return;
  // The page's scripts run after this one and may replace these globals:
  // keep the originals.
  const doc = document;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const listen = EventTarget.prototype.addEventListener;
  const CustomEventCtor = CustomEvent;
  const parse = JSON.parse;
  const stringify = JSON.stringify;
  const PromiseCtor = Promise;
  const ErrorCtor = Error;
  const MapCtor = Map;
  const freeze = Object.freeze;
  const REQUEST = 'vardkt5-request';
  const RESPONSE = 'vardkt5-response';

  let nextControl = 1;
  const controls = new MapCtor();

  function post(ctl, message) {
    dispatch.call(doc, new CustomEventCtor(REQUEST, { detail: stringify({ ctl, msg: message }) }));
  }

  function failure(error) {
    const e = new ErrorCtor(error && error.message ? String(error.message) : 'the control failed');
    e.code = error && typeof error.code === 'number' ? error.code : 0x80004005;
    return e;
  }

  listen.call(doc, RESPONSE, (event) => {
    if (typeof event.detail !== 'string') return;
    let data;
    try { data = parse(event.detail); } catch (_) { return; }
    const state = controls.get(data && data.ctl);
    if (!state) return;
    const msg = data.msg;
    if (data.closed !== undefined) {
      state.closed = String(data.closed || 'the bridge closed the connection');
      for (const pending of state.pending.values()) pending.reject(failure({ message: state.closed }));
      state.pending.clear();
      return;
    }
    if (!msg || typeof msg !== 'object') return;
    if (typeof msg.event === 'string') {
      const listeners = state.listeners.get(msg.event);
      if (!listeners) return;
      const args = Array.isArray(msg.args) ? msg.args : [];
      for (const fn of [...listeners]) {
        try { fn(...args); } catch (e) { setTimeout(() => { throw e; }); }
      }
      return;
    }
    const pending = state.pending.get(msg.id);
    if (!pending) return;
    state.pending.delete(msg.id);
    if (msg.error) pending.reject(failure(msg.error));
    else pending.resolve(msg.result === undefined ? null : msg.result);
  });

  function request(state, message) {
    if (state.closed) return PromiseCtor.reject(failure({ message: state.closed }));
    const id = state.nextId++;
    return new PromiseCtor((resolve, reject) => {
      state.pending.set(id, { resolve, reject });
      message.id = id;
      post(state.ctl, message);
    });
  }

  function makeControl(state, trusted) {
    return freeze({
      trusted,
      get: (name, ...args) => request(state, { op: 'get', name: String(name), args }),
      put: (name, value) => request(state, { op: 'put', name: String(name), args: [value] }),
      call: (name, ...args) => request(state, { op: 'call', name: String(name), args }),
      addEventListener(eventName, fn) {
        if (typeof fn !== 'function') return;
        const name = String(eventName);
        if (!state.listeners.has(name)) state.listeners.set(name, new Set());
        state.listeners.get(name).add(fn);
      },
      removeEventListener(eventName, fn) {
        const set = state.listeners.get(String(eventName));
        if (set) set.delete(fn);
      },
      // Ends the control (its program ends with it).
      close() {
        if (state.closed) return;
        state.closed = 'the control was closed';
        post(state.ctl, null);
        controls.delete(state.ctl);
      },
    });
  }

  const api = freeze({
    create(params) {
      const state = {
        ctl: nextControl++, nextId: 1, pending: new MapCtor(), listeners: new MapCtor(), closed: null,
      };
      controls.set(state.ctl, state);
      const values = {};
      if (params && typeof params === 'object')
        for (const key of Object.keys(params)) values[key] = params[key];
      return request(state, { op: 'create', params: values }).then(
        (result) => makeControl(state, !!(result && result.trusted)),
        (error) => {
          // A control that was not made leaves no connection behind.
          if (!state.closed) post(state.ctl, null);
          state.closed = 'the control was not created';
          controls.delete(state.ctl);
          throw error;
        });
    },
  });
  Object.defineProperty(window, 'VardKT5', { value: api, writable: false, configurable: false, enumerable: false });
})();
