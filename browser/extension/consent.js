// Which sites may use the control: the administrator's lists (managed
// storage, set by policy) first, then the person's answers, kept per origin
// in local storage as { consent: { "<origin>": "allow" | "block" } }.
// Consent lets a page use the control as an Internet page; whether the
// control trusts it stays with the site lock and the zones.

const CONSENT_KEY = 'consent';

async function managedLists() {
  try {
    const got = await chrome.storage.managed.get(['allowedOrigins', 'blockedOrigins']);
    const list = (v) => (Array.isArray(v) ? v.filter((o) => typeof o === 'string').map(originOf).filter(Boolean) : []);
    return { allowed: list(got.allowedOrigins), blocked: list(got.blockedOrigins) };
  } catch (_) {
    return { allowed: [], blocked: [] };  // no policy, or a browser without managed storage
  }
}

async function personAnswers() {
  const got = await chrome.storage.local.get(CONSENT_KEY);
  const answers = got[CONSENT_KEY];
  return answers && typeof answers === 'object' ? answers : {};
}

// "scheme://host[:port]" of an http(s) URL or origin; null for anything
// else (opaque origins included).
function originOf(text) {
  try {
    const url = new URL(text);
    return url.protocol === 'http:' || url.protocol === 'https:' ? url.origin : null;
  } catch (_) {
    return null;
  }
}

// 'allow', 'block' or 'ask', and the reason of a block.
async function verdictFor(origin) {
  const managed = await managedLists();
  if (managed.blocked.includes(origin))
    return { verdict: 'block', why: 'your administrator blocked ' + origin + ' from using the download control' };
  if (managed.allowed.includes(origin)) return { verdict: 'allow' };
  const answer = (await personAnswers())[origin];
  if (answer === 'allow') return { verdict: 'allow' };
  if (answer === 'block')
    return { verdict: 'block', why: 'you blocked ' + origin + ' from using the download control '
      + '(the extension\'s options can remove it)' };
  return { verdict: 'ask' };
}

async function rememberAnswer(origin, answer) {
  const answers = await personAnswers();
  answers[origin] = answer;
  await chrome.storage.local.set({ [CONSENT_KEY]: answers });
}

async function forgetAnswer(origin) {
  const answers = await personAnswers();
  delete answers[origin];
  await chrome.storage.local.set({ [CONSENT_KEY]: answers });
}

// Match patterns name hosts, not ports: every port of an allowed host
// gets the API in its frames, and the origin is checked exactly on create.
function hostPattern(origin) {
  const url = new URL(origin);
  return url.protocol + '//' + url.hostname + '/*';
}

// Where window.VardKT5 appears: every top-level document but a blocked
// site's, and frames only of the sites allowed. A frame of any other site,
// and a blocked site anywhere, sees nothing of the extension.
async function pageScripts() {
  const managed = await managedLists();
  const answers = await personAnswers();
  const blocked = new Set(managed.blocked);
  const allowed = new Set(managed.allowed);
  for (const [origin, answer] of Object.entries(answers)) {
    if (!originOf(origin)) continue;
    if (answer === 'block') blocked.add(origin);
    else if (answer === 'allow') allowed.add(origin);
  }
  for (const origin of blocked) allowed.delete(origin);
  const exclude = [...new Set([...blocked].map(hostPattern))];
  const scripts = (id, matches, allFrames) => [
    { id: id + '-api', js: ['page-api.js'], world: 'MAIN', matches, excludeMatches: exclude, allFrames,
      runAt: 'document_start' },
    { id: id + '-relay', js: ['relay.js'], matches, excludeMatches: exclude, allFrames, runAt: 'document_start' },
  ];
  const list = scripts('top', ['<all_urls>'], false);
  if (allowed.size) list.push(...scripts('frames', [...new Set([...allowed].map(hostPattern))], true));
  return list;
}

let registering = Promise.resolve();

// Registers the page scripts anew; resolves once the browser has them.
function registerPageScripts() {
  registering = registering.then(async () => {
    // Updated in place: scripts taken away and put back would leave pages
    // loading meanwhile without the API.
    const wanted = await pageScripts();
    const have = new Set((await chrome.scripting.getRegisteredContentScripts()).map((s) => s.id));
    const gone = [...have].filter((id) => !wanted.some((s) => s.id === id));
    if (gone.length) await chrome.scripting.unregisterContentScripts({ ids: gone });
    const kept = wanted.filter((s) => have.has(s.id));
    if (kept.length) await chrome.scripting.updateContentScripts(kept);
    const added = wanted.filter((s) => !have.has(s.id));
    if (added.length) await chrome.scripting.registerContentScripts(added);
  }).catch((e) => console.error('vardkt5: the page scripts could not be registered:', e));
  return registering;
}
