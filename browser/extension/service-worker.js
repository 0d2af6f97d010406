// Each page control's connection goes to a bridge program of its own,
// started when the page creates the control. The page's address and origin
// are the ones the browser gives for the sending frame, never ones the
// page's messages name.
if (typeof importScripts === 'function') importScripts('consent.js');  // Firefox lists it beside this one

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

// The open questions, one per origin: every create of that origin waits
// for the same answer.
const questions = new Map();
const QUESTION_PAGE = chrome.runtime.getURL('question.html');

// The person's answer for `origin`: 'allow', 'block' or 'closed' (the
// window went without an answer, and nothing is remembered).
function ask(origin) {
  const open = questions.get(origin);
  if (open) return open.answer;
  const question = {};
  question.answer = new Promise((resolve) => { question.resolve = resolve; });
  questions.set(origin, question);
  chrome.windows.create({ url: QUESTION_PAGE + '?origin=' + encodeURIComponent(origin), type: 'popup',
    width: 480, height: 260, focused: true }).then((w) => {
    question.windowId = w.id;
  }, () => settle(origin, 'closed'));
  return question.answer;
}

function settle(origin, answer) {
  const question = questions.get(origin);
  if (!question) return;
  questions.delete(origin);
  question.resolve(answer);
  if (question.windowId !== undefined && answer !== 'closed')
    chrome.windows.remove(question.windowId).catch(() => {});
}

chrome.windows.onRemoved.addListener((windowId) => {
  for (const [origin, question] of questions)
    if (question.windowId === windowId) settle(origin, 'closed');
});

// The answer comes only from the extension's own question page.
chrome.runtime.onMessage.addListener((msg, sender, reply) => {
  if (!sender.url || !sender.url.startsWith(QUESTION_PAGE) || !msg || typeof msg.origin !== 'string') return;
  if (msg.answer !== 'allow' && msg.answer !== 'block') return reply({});  // the page keeping us awake
  if (!questions.has(msg.origin)) return reply({});
  rememberAnswer(msg.origin, msg.answer)
    .then(registerPageScripts)
    .then(() => settle(msg.origin, msg.answer), () => settle(msg.origin, 'closed'));
  reply({});
});

// Why `origin` may not use the control now; null when it may.
async function consentFor(origin) {
  if (!originOf(origin)) return 'a page without an origin of its own (a sandboxed document) cannot be allowed '
    + 'to use the download control';
  const decided = await verdictFor(origin);
  if (decided.verdict === 'allow') return null;
  if (decided.verdict === 'block') return decided.why;
  const answer = await ask(origin);
  if (answer === 'allow') return null;
  if (answer === 'block') return 'you blocked ' + origin + ' from using the download control';
  return origin + ' was not allowed to use the download control: the question was closed unanswered';
}

chrome.runtime.onInstalled.addListener(registerPageScripts);
chrome.runtime.onStartup.addListener(registerPageScripts);
chrome.storage.onChanged.addListener((changes, area) => {
  if (area === 'managed' || (area === 'local' && changes[CONSENT_KEY])) registerPageScripts();
});

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
  let deciding = false;
  let gone = false;

  function release() {
    if (!counted) return;
    counted = false;
    inAll -= 1;
    const left = (perTab.get(tab) || 1) - 1;
    if (left > 0) perTab.set(tab, left);
    else perTab.delete(tab);
  }

  function refuse(msg, why) {
    try {
      port.postMessage({ id: msg.id === undefined ? null : msg.id, error: { code: E_FAIL, message: why } });
    } catch (_) { /* the page went first */ }
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

  function forward(msg) {
    const out = Object.assign({}, msg);
    delete out.page;
    delete out.origin;
    if (out.op === 'create') {
      out.page = pageUrl;
      out.origin = origin;
    }
    native.postMessage(out);
  }

  // Nothing starts before a create this page may make, from a site the
  // person or the administrator allowed.
  async function create(msg) {
    deciding = true;
    try {
      const why = await consentFor(origin);
      if (gone) return;
      if (why) return refuse(msg, why);
      const over = overCap(tab);
      if (over) return refuse(msg, over);
      if (start()) forward(msg);
    } finally {
      deciding = false;
    }
  }

  port.onMessage.addListener((msg) => {
    if (!msg || typeof msg !== 'object' || Array.isArray(msg)) return;
    if (native) return forward(msg);
    if (msg.op !== 'create') return refuse(msg, 'create the control first');
    if (deciding) return refuse(msg, 'the control is being created');
    if (!pageUrl) return refuse(msg, 'the browser gave no address for this page');
    create(msg);
  });
  port.onDisconnect.addListener(() => {
    gone = true;
    release();
    if (native) native.disconnect();
  });
});
