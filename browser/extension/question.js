// The question for one origin. Closing the window answers nothing.
const origin = new URLSearchParams(location.search).get('origin') || '';
document.getElementById('origin').textContent = origin;
document.title = origin + ': use the download control?';

function answer(choice) {
  chrome.runtime.sendMessage({ origin, answer: choice });
}
document.getElementById('allow').addEventListener('click', () => answer('allow'));
document.getElementById('block').addEventListener('click', () => answer('block'));
// The service worker holds the waiting pages: keep it awake while asking.
setInterval(() => chrome.runtime.sendMessage({ origin }).catch(() => {}), 20000);
